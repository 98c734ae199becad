#ifndef USER_ROW_H
#define USER_ROW_H

#include "user_record.h"
#include "user_upload.h"

#include <QString>
#include <QTreeWidgetItem>

#include <functional>

// One user of the controller's database and, at the same time, its item in
// the user tree: the tree's parent/child links are the ownership links of
// the database, so deleting an item deletes what it owns.
class UserRow : public QTreeWidgetItem, public UserRecord
{
public:
    UserRow();
    explicit UserRow(QTreeWidgetItem *parent);

    bool placed = false;

    // Marks a record that waits for "Sincronizar" with an icon before its
    // name and a tooltip saying what waits, and a failed one in red.
    void show_mark();

    // Writes the four tree columns (id, name, number, type) from the fields.
    void show_columns();
    // Records why the upload failed (empty: it did not) and marks the row, so
    // that the records the controller did not take stand out in the tree.
    void set_failure(const QString &why);

private:
    // What show_mark last showed, so that unchanged records are not touched.
    QString mark_shown;
};

// The tree as the writes to the controller see it.
class TreeRecords : public RecordTree
{
public:
    explicit TreeRecords(std::function<void(UserRow *)> remove_records)
        : remove_fn(std::move(remove_records))
    { }

    void remove(UserRecord &record) override { remove_fn(&row(record)); }
    void changed(UserRecord &record) override;

    // Every record of the tree is a row.
    static UserRow &row(UserRecord &record) { return static_cast<UserRow &>(record); }
    static const UserRow &row(const UserRecord &record)
    {
        return static_cast<const UserRow &>(record);
    }

private:
    std::function<void(UserRow *)> remove_fn;
};

// A new record from a line of the controller's listing (see
// read_user_fields), owned by the caller; null when the line does not begin
// with "##". It takes its defaults and an id from `ids` as a new record
// does, and the id read moves `ids` past it.
UserRow *parse_user_line(const QString &line, IdCounter &ids);

// Deletes a record together with everything below it; null is accepted.
void delete_subtree(UserRow *record);

// Why `record` may not be saved as `categoria` owned by the record of id
// `id_padre` (empty when it may), and in `owner` the record it then hangs
// under. The controller's directory has three levels: an administrator
// hangs from the root, a user from an administrator, a visitor from a
// user; what a record owns must keep an owner of its kind.
QString ownership_refusal(UserRow *record, int categoria, int id_padre, UserRow **owner);

// What "Nuevo" can make with `selected` chosen: each category with the owner
// it needs, the record that `selected` would own first. With the root, an
// administrator; with an administrator, one of its users or another
// administrator; with a user, one of its visitors or another user of its
// administrator; with a visitor, another visitor of its user. A record not
// saved yet owns nothing.
struct NewRecord
{
    int categoria = UserRow::Visita;
    UserRow *owner = nullptr;
};
QList<NewRecord> new_record_choices(UserRow *selected);

// "Nuevo administrador", "Nuevo usuario de Conserje 242", "Nueva visita de
// Casa 471".
QString new_record_text(const NewRecord &choice);

#endif
