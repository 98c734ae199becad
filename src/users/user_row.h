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

    // The id that the next default-constructed record takes.
    static int id_siguiente;

    // Writes the four tree columns (id, name, number, type) from the fields.
    void show_columns();

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
