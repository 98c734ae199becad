#ifndef USER_UPLOAD_H
#define USER_UPLOAD_H

#include "operation.h"
#include "user_record.h"

#include <QList>

// What the writes to the controller need of the directory: who owns a
// record, what it owns, and what becomes of a record the controller let go
// of. The controller deletes what a record owns together with it.
class RecordTree
{
public:
    virtual ~RecordTree() = default;
    // Null for a record that hangs from the root.
    virtual UserRecord *owner_of(const UserRecord &record) const = 0;
    virtual QList<UserRecord *> owned_by(const UserRecord &record) const = 0;
    // Takes the record and what it owns out of the directory, and frees
    // them.
    virtual void remove(UserRecord &record) = 0;
    // The record's state changed (its id, its failure, what waits): its
    // view follows.
    virtual void changed(UserRecord &record) = 0;
};

// Whether the controller holds the record's owner under the id the record
// names: only then may the record be written. A record hanging from the
// root has no owner to wait for.
bool owner_held(const RecordTree &tree, const UserRecord &record);

// The writes themselves, inside a running operation.
class UserWriter
{
public:
    UserWriter(AdminCore &core, RecordTree &tree) : core(core), tree(tree) { }

    // Writes one record and confirms it: true only when the controller's
    // record of the number carries what was sent. A record whose number
    // changed leaves nothing under the old number. A failed upload leaves
    // the record pending and marked with the reason.
    bool upload(UserRecord &u);
    // Whether the last upload's line went out to the controller.
    bool went_out() const { return upload_sent; }
    // "BU" of the number, then true only when a lookup of it finds nothing.
    bool delete_number(const QString &numero);
    // Deletes on the controller what it holds of a record's branch, and
    // from the directory what it let go but the record; false, with the
    // record the controller kept in `kept` (null when stopped or the line
    // went), when it did not let go of all.
    bool delete_branch(UserRecord &record, UserRecord **kept);
    // The records of a branch that the controller holds and that no other
    // record of the branch owns there: deleting them deletes the branch.
    QList<UserRecord *> held_heads(UserRecord &record) const;

private:
    bool release_old_number(UserRecord &u);
    void fail(UserRecord &u, const QString &why);
    // Neither stopped nor cut: the controller refused.
    bool line_fine() const;

    AdminCore &core;
    RecordTree &tree;
    bool upload_sent = false;
};

// "Sincronizar" once asked for: the records decided before the first write,
// owners before what they own, written whatever is clicked meanwhile.
class Synchronise : public Operation
{
    Q_OBJECT

public:
    Synchronise(AdminCore &core, RecordTree &tree, const QList<UserRecord *> &list);

    // Asked before the first write, with the whole list as its details.
    QString question;
    QString details;

signals:
    // The user said yes: the writes begin.
    void accepted();

protected:
    OperationResult run() override;

private:
    RecordTree &tree;
    QList<UserRecord *> list;
    int done = 0;
    int failed = 0;
};

#endif
