#include "user_csv.h"

#include "text_util.h"
#include "user_row.h"

#include <QIODevice>
#include <QStringList>
#include <QTextStream>

#include <limits>

#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
#include <QStringConverter>
#else
#include <QTextCodec>
#endif

namespace {

const QString separator = QStringLiteral(" ; ");

// A quoted field as read: the quotes, and any quote inside, become blanks,
// which the folding then removes.
QString read_text(const QString &field)
{
    QString text = field;
    text.replace(QLatin1Char('"'), QLatin1Char(' '));
    return fold(text);
}

} // namespace

QString users_csv_header()
{
    return QStringLiteral("id_user ; id_padre ; categoria ; nombre ; numero ; hrs_reman ; rh_ini ; "
                          "rh_fin ; rd");
}

bool is_users_csv_header(const QString &line)
{
    return line.startsWith(QLatin1String("id_user"));
}

QString csv_category_word(int categoria)
{
    switch (categoria) {
    case UserRow::Admin:
        return QStringLiteral("admin");
    case UserRow::Usuario:
        return QStringLiteral("user");
    case UserRow::Visita:
        return QStringLiteral("guest");
    default:
        return QString();
    }
}

QString csv_text(const QString &value)
{
    QString text = value;
    text.replace(QLatin1Char('"'), QLatin1Char(' '));
    text.replace(QLatin1Char(';'), QLatin1Char('_'));
    return text.trimmed();
}

QString csv_user_line(const UserRow &u)
{
    QString line;
    line.reserve(96);
    line += QString::number(u.id_user) + separator + QString::number(u.id_padre) + separator
        + csv_category_word(u.categoria) + separator;
    line += QLatin1Char('"') + csv_text(u.nombre) + QLatin1Char('"') + separator;
    line += QLatin1Char('"') + csv_text(u.numero) + QLatin1Char('"');
    for (int value : {u.hrs_reman, u.rh_ini, u.rh_fin, u.rd})
        line += separator + QString::number(value);
    return line;
}

UserRow *parse_csv_user(const QString &line)
{
    // Nine fields at most are used; whatever follows the ninth semicolon
    // stays in one piece that nobody reads.
    const QStringList fields = line.split(QLatin1Char(';'));
    auto *u = new UserRow;
    const int count = qMin(fields.size(), 9);
    if (count > 0) {
        u->id_user = read_decimal(fields.at(0));
        if (u->id_user >= UserRow::id_siguiente && u->id_user < std::numeric_limits<int>::max())
            UserRow::id_siguiente = u->id_user + 1;
    }
    if (count > 1)
        u->id_padre = read_decimal(fields.at(1));
    if (count > 2) {
        const QString word = fields.at(2).trimmed();
        if (word == QLatin1String("admin"))
            u->categoria = UserRow::Admin;
        else if (word == QLatin1String("user"))
            u->categoria = UserRow::Usuario;
        else if (word == QLatin1String("guest"))
            u->categoria = UserRow::Visita;
    }
    if (count > 3)
        u->nombre = read_text(fields.at(3));
    if (count > 4)
        u->numero = read_text(fields.at(4));
    int *const numbers[] = {&u->hrs_reman, &u->rh_ini, &u->rh_fin, &u->rd};
    for (int i = 5; i < count; ++i)
        *numbers[i - 5] = read_decimal(fields.at(i));
    return u;
}

void use_csv_encoding(QTextStream &out)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    out.setEncoding(QStringConverter::System);
#else
    out.setCodec(QTextCodec::codecForLocale());
#endif
}

bool UsersCsvReader::next(QString *line)
{
    if (!device)
        return false;
    // The rest of a line that was cut is read away in pieces and dropped,
    // only when the next line is asked for: a caller that stops after the
    // first line never reads through a device without line ends.
    while (cut && !device->atEnd()) {
        const QByteArray rest = device->readLine(max_line);
        cut = !rest.isEmpty() && !rest.endsWith('\n');
    }
    if (device->atEnd())
        return false;
    // At most max_line bytes, the line feed included (one byte less than the
    // size given is read).
    QByteArray raw = device->readLine(max_line + 1);
    if (raw.isEmpty())
        return false;
    cut = !raw.endsWith('\n');
    if (raw.endsWith('\n'))
        raw.chop(1);
    if (raw.endsWith('\r'))
        raw.chop(1);
    if (first) {
        first = false;
        if (raw.startsWith("\xEF\xBB\xBF")) {
            utf8 = true;
            raw.remove(0, 3);
        }
    }
    *line = utf8 ? QString::fromUtf8(raw) : QString::fromLocal8Bit(raw);
    return true;
}
