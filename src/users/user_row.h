#ifndef USER_ROW_H
#define USER_ROW_H

#include <QString>
#include <QTreeWidgetItem>

// One user of the controller's database and, at the same time, its item in
// the user tree: the tree's parent/child links are the ownership links of
// the database, so deleting an item deletes what it owns.
class UserRow : public QTreeWidgetItem
{
public:
    // Internal category codes; the controller numbers them the other way
    // round (see device_code).
    enum Category { Visita = 0, Usuario = 1, Admin = 2 };

    UserRow();
    explicit UserRow(QTreeWidgetItem *parent);

    QString nombre = QStringLiteral("Nombre");
    QString numero = QStringLiteral("Numero");
    int categoria = Visita;
    int id_user = 0;
    int id_padre = 0;
    int hrs_reman = 0;
    int rd = 255;
    int rh_ini = 0;
    int rh_fin = 24;
    bool placed = false;
    int extra_6 = 0;
    int extra_7 = 0;
    bool pending = false;
    // Created by "Nuevo" and not saved yet: it exists only in the window,
    // is never uploaded or written to a file, and cancelling drops it.
    bool unsaved = false;
    // Deleted while the port was closed: the controller still holds it, and
    // "Sincronizar" deletes it there (it is pending too).
    bool baja = false;
    // The number under which the controller holds this record, as last seen
    // in a download or a confirmed upload; empty when the controller has not
    // been seen holding it. The controller knows users by number, so a
    // record whose number changed must leave nothing under this one.
    QString numero_device;
    // The id under which the controller holds this record, with the same
    // provenance as numero_device.
    int id_device = 0;
    // Why the last upload of this record failed; empty when it did not.
    QString failure;

    // What waits for "Sincronizar" ("alta", "cambio", "número nuevo",
    // "baja"); empty
    // when nothing does.
    QString pending_kind() const;
    // Whether the controller holds this record's owner under the id the
    // record names: only then may the record be written. A record hanging
    // from the root has no owner to wait for.
    bool owner_held() const;
    // Marks a record that waits for "Sincronizar" with an icon before its
    // name and a tooltip saying what waits, and a failed one in red.
    void show_mark();

    // The id that the next default-constructed record takes.
    static int id_siguiente;

    // Writes the four tree columns (id, name, number, type) from the fields.
    void show_columns();
    // Records why the upload failed (empty: it did not) and marks the row, so
    // that the records the controller did not take stand out in the tree.
    void set_failure(const QString &why);

    // "ADMIN", "USUARIO", "VISITA" or "DESCONOCIDO".
    static QString category_text(int categoria);
    // The controller's code: 1 administrator, 2 user, 3 visitor, 0 for none.
    static int device_code(int categoria);
    // The internal category of a controller code; unknown codes give a visitor.
    static int category_of_code(int code);

private:
    void take_next_id();

    // What show_mark last showed, so that unchanged records are not touched.
    QString mark_shown;
};

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

// "2 altas, 1 cambio, 1 número nuevo, 1 baja": what waits in `records`.
QString pending_counts(const QList<UserRow *> &records);

#endif
