#include "user_record.h"

#include <QHash>

#include <limits>

QString UserRecord::pending_kind() const
{
    if (!pending || unsaved)
        return QString();
    if (baja)
        return QStringLiteral("baja");
    if (numero_device.isEmpty())
        return QStringLiteral("alta");
    return numero_device == numero ? QStringLiteral("cambio") : QStringLiteral("número nuevo");
}

QString UserRecord::category_text(int categoria)
{
    switch (categoria) {
    case Admin:
        return QStringLiteral("ADMIN");
    case Usuario:
        return QStringLiteral("USUARIO");
    case Visita:
        return QStringLiteral("VISITA");
    default:
        return QStringLiteral("DESCONOCIDO");
    }
}

int UserRecord::device_code(int categoria)
{
    switch (categoria) {
    case Admin:
        return 1;
    case Usuario:
        return 2;
    case Visita:
        return 3;
    default:
        return 0;
    }
}

int UserRecord::category_of_code(int code)
{
    switch (code) {
    case 1:
        return Admin;
    case 2:
        return Usuario;
    default:
        return Visita;
    }
}

void IdCounter::pass(int id)
{
    if (id >= value && id < std::numeric_limits<int>::max())
        value = id + 1;
}

QVector<int> directory_order(const QList<UserRecord> &records)
{
    QHash<int, QVector<int>> users_of;
    QHash<int, QVector<int>> visitors_of;
    for (int i = 0; i < records.size(); ++i) {
        const UserRecord &r = records.at(i);
        if (r.categoria == UserRecord::Usuario)
            users_of[r.id_padre] << i;
        else if (r.categoria == UserRecord::Visita)
            visitors_of[r.id_padre] << i;
    }
    QVector<int> order;
    order.reserve(records.size());
    QVector<bool> placed(records.size(), false);
    const auto place = [&](int i) {
        if (placed.at(i))
            return false;
        placed[i] = true;
        order << i;
        return true;
    };
    for (int i = 0; i < records.size(); ++i) {
        if (records.at(i).categoria != UserRecord::Admin || !place(i))
            continue;
        for (const int u : users_of.value(records.at(i).id_user)) {
            if (!place(u))
                continue;
            for (const int v : visitors_of.value(records.at(u).id_user))
                place(v);
        }
    }
    for (int i = 0; i < records.size(); ++i)
        place(i);
    return order;
}

QString UserRecord::day_letter(int day)
{
    static const char *const letters[] = {"L", "M", "W", "J", "V", "S", "D"};
    return day >= 0 && day < 7 ? QLatin1String(letters[day]) : QString();
}

QString UserRecord::days_text(int rd)
{
    QString days;
    for (int day = 0; day < 7; ++day) {
        if (rd & (1 << day))
            days += day_letter(day);
    }
    return days.isEmpty() ? QStringLiteral("ninguno") : days;
}
