#include "user_lines.h"

#include "text_util.h"
#include "user_row.h"

#include <memory>

namespace {

// The fields after the "##" and the one character that follows it.
QStringList record_fields(const QString &line)
{
    return line.mid(3).split(QLatin1Char(','));
}

} // namespace

UserRow *parse_user_line(const QString &line)
{
    if (!line.startsWith(QLatin1String("##")))
        return nullptr;
    const QStringList fields = record_fields(line);
    auto *u = new UserRow;
    const int count = fields.size();

    if (count > 0) {
        u->id_user = read_decimal(fields.at(0));
        if (u->id_user > UserRow::id_siguiente)
            UserRow::id_siguiente = u->id_user;
    }
    if (count > 1)
        u->categoria = UserRow::category_of_code(read_decimal(fields.at(1)));
    if (count > 2) {
        // The name comes between quotes; the controller's own spacing
        // inside them is folded like everywhere else.
        QString name = fold(fields.at(2));
        name.remove(0, 1);
        name.chop(1);
        u->nombre = name;
    }
    if (count > 3)
        u->numero = fold(fields.at(3));
    int *const numbers[] = {&u->id_padre, &u->hrs_reman, &u->extra_6, &u->extra_7,
                            &u->rh_ini,   &u->rh_fin,    &u->rd};
    for (int i = 4; i < count && i < 11; ++i)
        *numbers[i - 4] = read_decimal(fields.at(i));
    return u;
}

bool is_user_record(const QString &line)
{
    return line.startsWith(QLatin1String("##")) && record_fields(line).size() >= 11;
}

std::optional<int> confirmed_id(const QStringList &answer, const QString &numero)
{
    const QString wanted = fold(numero);
    for (const QString &line : answer) {
        if (!is_user_record(line))
            continue;
        const std::unique_ptr<UserRow> stored(parse_user_line(line));
        if (stored->numero == wanted)
            return stored->id_user;
    }
    return std::nullopt;
}

QString upload_line(const UserRow &u)
{
    QString line = QStringLiteral(" UU ") + QString::number(u.id_user) + QLatin1Char(' ');
    const int code = UserRow::device_code(u.categoria);
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
