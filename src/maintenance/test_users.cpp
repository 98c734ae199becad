#include "test_users.h"

#include "user_record.h"

std::vector<TestUserStep> test_user_plan(int users_per_admin, int visitors_per_user)
{
    std::vector<TestUserStep> plan{{UserRecord::Admin, -1}};
    for (int u = 0; u < users_per_admin; ++u) {
        const int user = int(plan.size());
        plan.push_back({UserRecord::Usuario, 0});
        for (int v = 0; v < visitors_per_user; ++v)
            plan.push_back({UserRecord::Visita, user});
    }
    return plan;
}

QString test_user_name(int categoria, int id)
{
    switch (categoria) {
    case UserRecord::Admin:
        return QStringLiteral("Admin test");
    case UserRecord::Usuario:
        return QStringLiteral("USER ") + QString::number(id);
    default:
        return QStringLiteral("GUEST ") + QString::number(id);
    }
}

QString test_user_number(int categoria, int id)
{
    const QString prefix =
        categoria == UserRecord::Admin ? QStringLiteral("+56100") : QStringLiteral("+562000");
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
