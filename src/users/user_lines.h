#ifndef USER_LINES_H
#define USER_LINES_H

#include <QString>
#include <QStringList>

#include <memory>

class UserRow;

// The controller's user record, "## " and eleven comma-separated fields:
// id, category code, quoted name, number, owner id, remaining hours, two
// fields the tool only keeps, start hour, end hour, days. A quoted name is
// one field even when it holds a comma. Returns a new record owned by the
// caller, or null when the line does not begin with "##". The record is
// constructed with defaults first (it takes an id from
// UserRow::id_siguiente) and fields that are missing keep them; the id read
// moves id_siguiente past it. The record is held by the controller under
// the number read (numero_device).
UserRow *parse_user_line(const QString &line);

// Whether the line carries a whole user record (all eleven fields), as
// opposed to a status line such as "## OK".
bool is_user_record(const QString &line);

// The controller's record of `numero`: the first answer line that is a whole
// user record of that number; null when no line is.
std::unique_ptr<UserRow> stored_record(const QStringList &answer, const QString &numero);

// Whether the controller's stored record carries what was sent: name,
// category, owner, hours and days (the id may be another one).
bool carries_upload(const UserRow &stored, const UserRow &sent);

// " UU <id> <code> \"<nombre>\" <numero> <id_padre> <hrs_reman> <rh_ini>
// <rh_fin> <rd>": the record as the controller stores it. A record whose
// category has no controller code is sent without one.
QString upload_line(const UserRow &u);

// The controller looks records up and deletes them by their number.
QString lookup_command(const QString &numero);
QString delete_command(const QString &numero);

#endif
