#ifndef USER_RECORD_H
#define USER_RECORD_H

#include <QList>
#include <QString>
#include <QVector>

// One user of the controller's database, as plain data: who it is, what it
// may do, and what the controller is known to hold of it.
struct UserRecord
{
    // Internal category codes; the controller numbers them the other way
    // round (see device_code).
    enum Category { Visita = 0, Usuario = 1, Admin = 2 };

    QString nombre = QStringLiteral("Nombre");
    QString numero = QStringLiteral("Numero");
    int categoria = Visita;
    int id_user = 0;
    int id_padre = 0;
    int hrs_reman = 0;
    int rd = 255;
    int rh_ini = 0;
    int rh_fin = 24;
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
    // "baja"); empty when nothing does.
    QString pending_kind() const;

    // "ADMIN", "USUARIO", "VISITA" or "DESCONOCIDO".
    static QString category_text(int categoria);
    // The controller's code: 1 administrator, 2 user, 3 visitor, 0 for none.
    static int device_code(int categoria);
    // The internal category of a controller code; unknown codes give a visitor.
    static int category_of_code(int code);
    // The letter of a day (0 Monday to 6 Sunday) as the editor's buttons
    // show it, and the days of a bit set in those letters, "ninguno" for none.
    static QString day_letter(int day);
    static QString days_text(int rd);
};

// The ids a new record may take: always past every id seen, so that a
// record created without the controller's "NEXT" takes none of them.
class IdCounter
{
public:
    int next() const { return value; }
    void set(int next) { value = next; }
    int take() { return value++; }
    // An id seen in a listing or a file: the counter moves past it.
    void pass(int id);

private:
    // 0 is the root's, which stands for the whole directory.
    int value = 1;
};

// The records of a listing in the order the directory shows them: each
// administrator in the order of the listing followed by its users, each user
// followed by its visitors; then, in the order of the listing, whatever
// found no owner. A record appears once, under the first owner that claims
// it.
QVector<int> directory_order(const QList<UserRecord> &records);

#endif
