#ifndef USER_UPLOAD_H
#define USER_UPLOAD_H

#include "directory_plan.h"
#include "operation.h"
#include "user_record.h"

#include <QList>
#include <QSet>
#include <QVector>

#include <functional>
#include <optional>

// What the writes to the controller need of the directory the user sees:
// a record the controller let go leaves it, and a record whose state
// changed (its id, its failure, what waits) is shown again.
class RecordTree
{
public:
    virtual ~RecordTree() = default;
    // Takes the record and what it owns out of the directory, and frees
    // them.
    virtual void remove(UserRecord &record) = 0;
    virtual void changed(UserRecord &record) = 0;
};

// The writes themselves, inside a running operation. What the controller
// confirms is what it holds from then on (AdminCore::held).
class UserWriter
{
public:
    explicit UserWriter(AdminCore &core) : core(core) { }

    // Writes one record and confirms it: the controller's own record of the
    // number, when it carries what was sent; nothing when it does not, with
    // why() saying it unless the line went or the user stopped.
    std::optional<UserRecord> write(const UserRecord &sent);
    // Whether the last write's line went out to the controller.
    bool went_out() const { return upload_sent; }
    // "BU" of the number, then true only when a lookup of it finds nothing.
    bool delete_number(const QString &numero);
    QString why() const { return reason; }
    // Neither stopped nor cut: the controller refused.
    bool line_fine() const;

private:
    AdminCore &core;
    bool upload_sent = false;
    QString reason;
};

// The controller a directory was read from, or last written to after the
// user's yes: its port and identity; no port when it comes from no
// controller. `kept`: numbers that controller holds and the directory
// lacks, which the user chose to keep there.
struct DirectoryOrigin
{
    QString port;
    QString identity;
    QSet<QString> kept;
};

// Makes the connected controller hold the directory the user wants: its
// identity read first when not known; when the directory is another
// controller's, or no controller's, the user is asked, what the controller
// holds is read when not known, the records are matched to its holdings by
// number, and whom it holds that the directory lacks is deleted only after
// a question that names how many. Then the plan (see plan_writes), maybe
// narrowed by `scope`, shown in `question` when `preview`, and written in
// its order, each record with the id its owner holds on the controller by
// then. A delete that would take a wanted record with it is not sent. A
// stop or a lost line leaves the controller as the confirmed steps made
// it: the next plan starts there.
class WriteDirectory : public Operation
{
    Q_OBJECT

public:
    using Wanted = std::function<QVector<WantedRecord>()>;
    using Scope =
        std::function<QVector<PlanStep>(const QVector<PlanStep> &, const QVector<WantedRecord> &)>;
    WriteDirectory(AdminCore &core, RecordTree &tree, DirectoryOrigin &origin, Wanted wanted);

    Scope scope;
    // Ends the question asked when the directory is another controller's.
    QString question_end = QStringLiteral("¿Sincronizar con el controlador conectado?");
    // Whether the plan is shown and asked for before the first write, and
    // a failure warned of.
    bool preview = true;
    // What a no to either question ends with.
    QString refusal = QStringLiteral("Sincronización cancelada");
    // The plan as it was decided, and the records it was decided on.
    const QVector<PlanStep> &steps() const { return plan; }

signals:
    // The user said yes: the writes begin.
    void accepted();

protected:
    OperationResult run() override;

private:
    OperationResult take_controller();
    bool write_step(const PlanStep &step, UserWriter &writer, int *waiting);
    bool delete_step(const PlanStep &step, UserWriter &writer);
    UserRecord *record_of(const PlanStep &step) const;
    void forget_branch(int record);
    QString step_line(const PlanStep &step) const;

    RecordTree &tree;
    DirectoryOrigin &origin;
    Wanted wanted_fn;
    QVector<WantedRecord> wanted;
    QVector<PlanStep> plan;
    QSet<QString> wanted_here;
    // The records the tree let go of, by their place in `wanted`.
    QSet<int> removed;
    // Whom the user chose to keep on the controller, said with the outcome.
    QString kept_note;
    int done = 0;
    int failed = 0;
};

// Reads a whole listing into what the connected controller holds (its
// identity read first when not known).
void hold_listing(AdminCore &core, const QStringList &lines);

// "en /dev/ttyUSB0 (equipo 12345)", or without the identity when unknown.
QString controller_name(const QString &port, const QString &identity);

#endif
