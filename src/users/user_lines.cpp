#include "user_lines.h"

#include "text_util.h"

#include <QRegularExpression>

namespace {

// The fields after the "##" and the one character that follows it. The
// name comes between quotes and may hold a comma: a quoted name runs to the
// quote that ends the field, and only the rest is split at commas.
QStringList record_fields(const QString &line)
{
    const QString text = line.mid(3);
    const int first = text.indexOf(QLatin1Char(','));
    const int second = first < 0 ? -1 : text.indexOf(QLatin1Char(','), first + 1);
    const int open = second + 1;
    int at = open;
    while (at < text.size() && text.at(at).isSpace())
        ++at;
    if (second < 0 || at >= text.size() || text.at(at) != QLatin1Char('"'))
        return text.split(QLatin1Char(','));
    static const QRegularExpression field_end(QStringLiteral("\"\\s*(,|$)"));
    const QRegularExpressionMatch end = field_end.match(text, at + 1);
    if (!end.hasMatch())
        return text.split(QLatin1Char(','));
    QStringList fields = text.left(second).split(QLatin1Char(','));
    fields << text.mid(open, end.capturedStart() + 1 - open);
    if (end.captured(1).isEmpty())
        return fields;
    return fields + text.mid(end.capturedEnd()).split(QLatin1Char(','));
}

} // namespace

bool read_user_fields(const QString &line, UserRecord &record)
{
    if (!line.startsWith(QLatin1String("##")))
        return false;
    const QStringList fields = record_fields(line);
    UserRecord *const u = &record;
    const int count = fields.size();

    if (count > 0) {
        u->id_user = read_decimal(fields.at(0));
        u->id_device = u->id_user;
    }
    if (count > 1)
        u->categoria = UserRecord::category_of_code(read_decimal(fields.at(1)));
    if (count > 2) {
        // The name comes between quotes; the controller's own spacing
        // inside them is folded like everywhere else.
        QString name = fold(fields.at(2));
        name.remove(0, 1);
        name.chop(1);
        u->nombre = name;
    }
    if (count > 3) {
        u->numero = fold(fields.at(3));
        u->numero_device = u->numero;
    }
    int *const numbers[] = {&u->id_padre, &u->hrs_reman, &u->extra_6, &u->extra_7,
                            &u->rh_ini,   &u->rh_fin,    &u->rd};
    for (int i = 4; i < count && i < 11; ++i)
        *numbers[i - 4] = read_decimal(fields.at(i));
    return true;
}

bool is_user_record(const QString &line)
{
    return line.startsWith(QLatin1String("##")) && record_fields(line).size() >= 11;
}

std::optional<UserRecord> stored_record(const QStringList &answer, const QString &numero)
{
    const QString wanted = fold(numero);
    for (const QString &line : answer) {
        UserRecord stored;
        if (is_user_record(line) && read_user_fields(line, stored) && stored.numero == wanted)
            return stored;
    }
    return std::nullopt;
}

bool carries_upload(const UserRecord &stored, const UserRecord &sent)
{
    // The controller may store the record under another id; an
    // administrator is its own owner under whichever id it got.
    const bool owner = sent.categoria == UserRecord::Admin ? stored.id_padre == stored.id_user
                                                           : stored.id_padre == sent.id_padre;
    return owner && stored.nombre == fold(sent.nombre) && stored.categoria == sent.categoria
        && stored.hrs_reman == sent.hrs_reman && stored.rh_ini == sent.rh_ini
        && stored.rh_fin == sent.rh_fin && stored.rd == sent.rd;
}

QString upload_line(const UserRecord &u)
{
    QString line = QStringLiteral(" UU ") + QString::number(u.id_user) + QLatin1Char(' ');
    const int code = UserRecord::device_code(u.categoria);
    if (code != 0)
        line += QString::number(code) + QLatin1Char(' ');
    line += QLatin1Char('"') + u.nombre + QStringLiteral("\" ") + u.numero;
    for (int value : {u.id_padre, u.hrs_reman, u.rh_ini, u.rh_fin, u.rd})
        line += QLatin1Char(' ') + QString::number(value);
    return line;
}

QString lookup_command(const QString &numero)
{
    return QStringLiteral("UD_NUM ") + numero;
}

QString delete_command(const QString &numero)
{
    return QStringLiteral("BU ") + numero;
}
