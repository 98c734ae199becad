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
    // The number under which the controller holds this record, as last seen
    // in a download or a confirmed upload; empty when the controller has not
    // been seen holding it. The controller knows users by number, so a
    // record whose number changed must leave nothing under this one.
    QString numero_device;
    // Why the last upload of this record failed; empty when it did not.
    QString failure;

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
};

// Deletes a record together with everything below it; null is accepted.
void delete_subtree(UserRow *record);

#endif
