#include "test_users.h"

#include "user_row.h"

QString test_user_name(int categoria, int id)
{
    switch (categoria) {
    case UserRow::Admin:
        return QStringLiteral("Admin test");
    case UserRow::Usuario:
        return QStringLiteral("USER ") + QString::number(id);
    default:
        return QStringLiteral("GUEST ") + QString::number(id);
    }
}

QString test_user_number(int categoria, int id)
{
    const QString prefix =
        categoria == UserRow::Admin ? QStringLiteral("+56100") : QStringLiteral("+562000");
    return padded_number(prefix + QString::number(id));
}

QString padded_number(const QString &number)
{
    const int length = 12;
    if (number.size() >= length)
        return number;
    QString padded = number;
    padded.insert(4, QString(length - number.size(), QLatin1Char('0')));
    return padded;
}
