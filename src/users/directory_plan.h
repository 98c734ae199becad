#ifndef DIRECTORY_PLAN_H
#define DIRECTORY_PLAN_H

#include "user_record.h"

#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

// What a controller holds, as the tool last saw it: its listing, then every
// write and delete it confirmed. The controller knows its records by number;
// a record that is not an administrator belongs to the record whose id it
// names, and deleting a record deletes what it owns (an administrator is
// nobody's).
class HeldDirectory
{
public:
    // The controller's equipment number; empty while not known. A
    // replacement may be given the same one: the port it was read on tells
    // them apart.
    QString identity;
    QString port;
    // Whether a listing was seen: without one nothing is known of it.
    bool known = false;

    void load(const QList<UserRecord> &listing, const QString &identity, const QString &port);
    void forget();

    const UserRecord *find(const QString &numero) const;
    QList<UserRecord> records() const { return held.values(); }
    int size() const { return int(held.size()); }

    // A write the controller confirmed with its own record: what the record
    // owned under another id follows it, as on the controller.
    void stored(const UserRecord &record);
    // The numbers a delete of `numero` takes: the record and all it owns,
    // and what that owns.
    QStringList takes(const QString &numero) const;
    void deleted(const QString &numero);

private:
    // By number, so that plans come out in the same order every time.
    QMap<QString, UserRecord> held;
};

// One record of the directory the user wants, in owner-before-owned order.
struct WantedRecord
{
    UserRecord *record = nullptr;
    // Its owner's place in the list; -1 for none.
    int owner = -1;
    // Deleted by the user, or owned by such a record: it goes.
    bool gone = false;
};

// One write of a plan. A record is written with the id its owner holds on
// the controller when the write goes out.
struct PlanStep
{
    enum Kind {
        alta,            // a record the controller does not hold
        cambio,          // its own fields or id change
        numero_nuevo,    // held under another number: a new record there
        dueno_nuevo,     // only its owner changes (or gets a new id)
        baja,            // deleted, with what it owns there
        numero_anterior, // the number a renumbered record leaves
    };
    Kind kind = cambio;
    // The record written, or the record deleted when the list still shows
    // it; -1 when none does.
    int record = -1;
    // The number deleted.
    QString numero;

    bool is_delete() const { return kind == baja || kind == numero_anterior; }
};

// The writes that make the controller hold `wanted`: first the records to
// write, owners before what they own, every record whose owner is written
// anew or gets a new id written again after it; then the numbers the
// controller holds that no wanted record has, but those in `keep`, each
// deleted once with what it owns. A record that still owns wanted records
// on the controller is deleted only after they moved away: each of them is
// written under its wanted owner before any delete.
QVector<PlanStep> plan_writes(const HeldDirectory &held, const QVector<WantedRecord> &wanted,
                              const QSet<QString> &keep = {});

// The numbers of the wanted records: those a delete must not take.
QSet<QString> wanted_numbers(const QVector<WantedRecord> &wanted);

// "alta", "cambio", "número nuevo", "dueño nuevo", "baja".
QString step_kind_text(PlanStep::Kind kind);
// "2 altas, 1 cambio, 1 número nuevo, 1 dueño nuevo, 1 baja"; the numbers
// renumbered records leave are not counted apart.
QString plan_counts(const QVector<PlanStep> &plan);
// The steps that count, as the summary counts them.
int counted_steps(const QVector<PlanStep> &plan);

#endif
