#include "history_changes.h"

#include "user_lines.h"

#include <QHash>
#include <QMap>

#include <vector>

namespace {

// What a comparison looks at of one person, in the words the tree uses.
struct Person
{
    QString nombre;
    QString tipo;
    QString dueno; // the owner's number: ids differ from one controller to another
    QString horas;
    QString horario;
    QString dias;
};

QMap<QString, Person> people(const QStringList &lines)
{
    QHash<int, QString> number_of;
    std::vector<UserRecord> rows;
    for (const QString &line : lines) {
        UserRecord u;
        if (!is_user_record(line) || !read_user_fields(line, u))
            continue;
        number_of.insert(u.id_user, u.numero);
        rows.push_back(u);
    }
    QMap<QString, Person> found;
    for (const UserRecord &u : rows) {
        Person p;
        p.nombre = u.nombre;
        p.tipo = UserRecord::category_text(u.categoria);
        p.dueno = u.id_padre == 0 ? QStringLiteral("ninguno")
                                  : number_of.value(u.id_padre, QString::number(u.id_padre));
        p.horas = QString::number(u.hrs_reman);
        p.horario = QStringLiteral("%1-%2").arg(u.rh_ini).arg(u.rh_fin);
        p.dias = UserRecord::days_text(u.rd);
        found.insert(u.numero, p);
    }
    return found;
}

QString arrow(const QString &what, const QString &old_value, const QString &new_value)
{
    return QStringLiteral("%1 %2 → %3").arg(what, old_value, new_value);
}

} // namespace

DirectoryChanges compare_directories(const QStringList &before, const QStringList &after)
{
    const QMap<QString, Person> old_people = people(before);
    const QMap<QString, Person> new_people = people(after);
    DirectoryChanges changes;
    for (auto it = new_people.cbegin(); it != new_people.cend(); ++it) {
        const auto old_it = old_people.constFind(it.key());
        if (old_it == old_people.cend()) {
            changes.added << it.key() + QLatin1Char(' ') + it->nombre;
            continue;
        }
        const Person &o = *old_it;
        const Person &n = *it;
        QStringList what;
        const std::pair<const char *, const QString Person::*> fields[] = {
            {"nombre", &Person::nombre}, {"tipo", &Person::tipo},       {"dueño", &Person::dueno},
            {"horas", &Person::horas},   {"horario", &Person::horario}, {"días", &Person::dias}};
        for (const auto &f : fields) {
            if (o.*f.second != n.*f.second)
                what << arrow(QString::fromUtf8(f.first), o.*f.second, n.*f.second);
        }
        if (!what.isEmpty())
            changes.changed << it.key() + QLatin1Char(' ') + n.nombre + QStringLiteral(": ")
                    + what.join(QStringLiteral("; "));
    }
    for (auto it = old_people.cbegin(); it != old_people.cend(); ++it) {
        if (!new_people.contains(it.key()))
            changes.removed << it.key() + QLatin1Char(' ') + it->nombre;
    }
    changes.none_matched = !old_people.isEmpty() && !new_people.isEmpty()
        && changes.removed.size() == old_people.size();
    return changes;
}

QStringList compare_params(const QVector<QString> &before, const QVector<QString> &after,
                           const QStringList &labels, const ParamWords &words)
{
    QStringList changes;
    const int count = qMax(before.size(), after.size());
    for (int n = 0; n < count; ++n) {
        const QString old_value = before.value(n);
        const QString new_value = after.value(n);
        if (old_value == new_value)
            continue;
        const QString number = QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
        const QString name = labels.value(n).isEmpty()
            ? number
            : QStringLiteral("%1 (%2)").arg(labels.value(n), number);
        const auto shown = [&](const QString &valor) { return words ? words(n, valor) : valor; };
        changes << QStringLiteral("%1: %2 → %3").arg(name, shown(old_value), shown(new_value));
    }
    return changes;
}

bool changes_controller(const QString &command)
{
    static const QStringList changing{QStringLiteral("DEFAULTDB"),  QStringLiteral("RESET"),
                                      QStringLiteral("SEND_PAR"),   QStringLiteral("UU"),
                                      QStringLiteral("BU"),         QStringLiteral("CREATE500U"),
                                      QStringLiteral("CREATE500L"), QStringLiteral("STUM")};
    const QString word = command.trimmed().section(QLatin1Char(' '), 0, 0).toUpper();
    return changing.contains(word);
}
