#include "user_csv_format.h"

#include <QTextStream>

#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
#include <QStringConverter>
#else
#include <QTextCodec>
#endif

namespace {

const QString separator = QStringLiteral(" ; ");

} // namespace

QString users_csv_header()
{
    return QStringLiteral("id_user ; id_padre ; categoria ; nombre ; numero ; hrs_reman ; rh_ini ; "
                          "rh_fin ; rd");
}

QString csv_category_word(int categoria)
{
    switch (categoria) {
    case UserRecord::Admin:
        return QStringLiteral("admin");
    case UserRecord::Usuario:
        return QStringLiteral("user");
    case UserRecord::Visita:
        return QStringLiteral("guest");
    default:
        return QString();
    }
}

QString csv_quoted(const QString &value)
{
    QString text = value;
    text.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString csv_user_line(const UserRecord &u)
{
    QString line;
    line.reserve(96);
    line += QString::number(u.id_user) + separator + QString::number(u.id_padre) + separator
        + csv_category_word(u.categoria) + separator;
    line += csv_quoted(u.nombre) + separator + csv_quoted(u.numero);
    for (int value : {u.hrs_reman, u.rh_ini, u.rh_fin, u.rd})
        line += separator + QString::number(value);
    return line;
}

void use_csv_encoding(QTextStream &out)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    out.setEncoding(QStringConverter::System);
#else
    out.setCodec(QTextCodec::codecForLocale());
#endif
}

QString users_csv_text(const QList<UserRecord> &records)
{
    QString text = users_csv_header() + QLatin1Char('\n');
    for (const UserRecord &u : records)
        text += csv_user_line(u) + QLatin1Char('\n');
    return text;
}
