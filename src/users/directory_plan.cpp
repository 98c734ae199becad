#include "directory_plan.h"

#include "text_util.h"

#include <QHash>

#include <algorithm>

void HeldDirectory::load(const QList<UserRecord> &listing, const QString &equipment,
                         const QString &line)
{
    port = line;
    held.clear();
    for (const UserRecord &u : listing)
        held.insert(fold(u.numero), u);
    identity = equipment;
    known = true;
}

void HeldDirectory::forget()
{
    held.clear();
    identity.clear();
    port.clear();
    known = false;
}

const UserRecord *HeldDirectory::find(const QString &numero) const
{
    const auto it = held.constFind(fold(numero));
    return it == held.constEnd() ? nullptr : &it.value();
}

void HeldDirectory::stored(const UserRecord &record)
{
    const QString key = fold(record.numero);
    const auto before = held.constFind(key);
    if (before != held.constEnd() && before->id_user != record.id_user) {
        const int old_id = before->id_user;
        for (UserRecord &u : held) {
            if (u.categoria != UserRecord::Admin && u.id_padre == old_id)
                u.id_padre = record.id_user;
        }
    }
    held.insert(key, record);
}

QStringList HeldDirectory::takes(const QString &numero) const
{
    const UserRecord *target = find(numero);
    if (!target)
        return {};
    QSet<int> doomed{target->id_user};
    QStringList out{fold(target->numero)};
    for (bool grew = true; grew;) {
        grew = false;
        for (const UserRecord &u : held) {
            if (u.categoria != UserRecord::Admin && !doomed.contains(u.id_user)
                && doomed.contains(u.id_padre)) {
                doomed.insert(u.id_user);
                out << fold(u.numero);
                grew = true;
            }
        }
    }
    return out;
}

void HeldDirectory::deleted(const QString &numero)
{
    for (const QString &gone : takes(numero))
        held.remove(gone);
}

QSet<QString> wanted_numbers(const QVector<WantedRecord> &wanted)
{
    QSet<QString> out;
    for (const WantedRecord &w : wanted) {
        if (!w.gone)
            out.insert(fold(w.record->numero));
    }
    return out;
}

namespace {

bool own_fields_differ(const UserRecord &held, const UserRecord &wanted)
{
    return held.id_user != wanted.id_user || held.nombre != fold(wanted.nombre)
        || held.categoria != wanted.categoria || held.hrs_reman != wanted.hrs_reman
        || held.rh_ini != wanted.rh_ini || held.rh_fin != wanted.rh_fin || held.rd != wanted.rd;
}

} // namespace

QVector<PlanStep> plan_writes(const HeldDirectory &held, const QVector<WantedRecord> &wanted,
                              const QSet<QString> &keep)
{
    QVector<PlanStep> plan;
    const int count = int(wanted.size());
    // Whether the controller's record of a wanted record is to be made anew
    // or take another id: what it owns must then be written after it.
    QVector<bool> moves(count, false);
    QHash<QString, int> renumbered_from;
    for (int i = 0; i < count; ++i) {
        const WantedRecord &w = wanted.at(i);
        if (w.gone)
            continue;
        const UserRecord &r = *w.record;
        const UserRecord *h = held.find(r.numero);
        moves[i] = !h || h->id_user != r.id_user;
        bool owner_changes = false;
        if (r.categoria != UserRecord::Admin) {
            const UserRecord *owner =
                w.owner >= 0 ? held.find(wanted.at(w.owner).record->numero) : nullptr;
            // A record without an owner in the list is left as it is held.
            owner_changes = w.owner >= 0
                && (!owner || moves.at(w.owner) || !h || h->id_padre != owner->id_user);
        }
        const QString link = fold(r.numero_device);
        // Held under another number until that one is deleted.
        const bool new_number = !link.isEmpty() && link != fold(r.numero) && held.find(link);
        if (new_number)
            renumbered_from.insert(link, i);
        PlanStep step;
        step.record = i;
        step.numero = fold(r.numero);
        if (!h || own_fields_differ(*h, r) || r.pending)
            step.kind = new_number ? PlanStep::numero_nuevo
                : !h               ? PlanStep::alta
                                   : PlanStep::cambio;
        else if (owner_changes)
            step.kind = PlanStep::dueno_nuevo;
        else
            continue;
        plan << step;
    }

    const QSet<QString> occupied = wanted_numbers(wanted);
    QSet<QString> doomed;
    QHash<int, QString> number_of_id;
    const QList<UserRecord> all = held.records();
    for (const UserRecord &u : all) {
        number_of_id.insert(u.id_user, fold(u.numero));
        const QString n = fold(u.numero);
        if (!occupied.contains(n) && !keep.contains(n))
            doomed.insert(n);
    }
    QHash<QString, int> gone_record;
    for (int i = 0; i < count; ++i) {
        const WantedRecord &w = wanted.at(i);
        if (w.gone && !w.record->numero_device.isEmpty())
            gone_record.insert(fold(w.record->numero_device), i);
    }
    for (const UserRecord &u : all) {
        const QString n = fold(u.numero);
        if (!doomed.contains(n))
            continue;
        // Taken with its owner's delete.
        if (u.categoria != UserRecord::Admin && doomed.contains(number_of_id.value(u.id_padre)))
            continue;
        PlanStep step;
        step.numero = n;
        step.kind = renumbered_from.contains(n) ? PlanStep::numero_anterior : PlanStep::baja;
        step.record = renumbered_from.value(n, gone_record.value(n, -1));
        plan << step;
    }
    return plan;
}

QString step_kind_text(PlanStep::Kind kind)
{
    switch (kind) {
    case PlanStep::alta:
        return QStringLiteral("alta");
    case PlanStep::cambio:
        return QStringLiteral("cambio");
    case PlanStep::numero_nuevo:
        return QStringLiteral("número nuevo");
    case PlanStep::dueno_nuevo:
        return QStringLiteral("dueño nuevo");
    case PlanStep::baja:
    case PlanStep::numero_anterior:
        break;
    }
    return QStringLiteral("baja");
}

int counted_steps(const QVector<PlanStep> &plan)
{
    return int(std::count_if(plan.begin(), plan.end(), [](const PlanStep &s) {
        return s.kind != PlanStep::numero_anterior;
    }));
}

QString plan_counts(const QVector<PlanStep> &plan)
{
    struct Word
    {
        PlanStep::Kind kind;
        const char *one;
        const char *many;
    };
    static const Word words[] = {
        {PlanStep::alta, " alta", " altas"},
        {PlanStep::cambio, " cambio", " cambios"},
        {PlanStep::numero_nuevo, " número nuevo", " números nuevos"},
        {PlanStep::dueno_nuevo, " dueño nuevo", " dueños nuevos"},
        {PlanStep::baja, " baja", " bajas"},
    };
    QStringList parts;
    for (const Word &w : words) {
        const auto n = std::count_if(plan.begin(), plan.end(),
                                     [&](const PlanStep &s) { return s.kind == w.kind; });
        if (n > 0)
            parts << QString::number(n) + QString::fromUtf8(n == 1 ? w.one : w.many);
    }
    return parts.join(QStringLiteral(", "));
}
