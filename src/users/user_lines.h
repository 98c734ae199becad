#ifndef USER_LINES_H
#define USER_LINES_H

#include <QString>
#include <QStringList>

#include "user_record.h"

#include <optional>

// The controller's user record, "## " and eleven comma-separated fields:
// id, category code, quoted name, number, owner id, remaining hours, two
// fields the tool only keeps, start hour, end hour, days. A quoted name is
// one field even when it holds a comma. Fills `u` with the fields the line
// has (those missing keep what `u` held); false, with `u` untouched, when
// the line does not begin with "##". The record is held by the controller
// under the number read (numero_device).
bool read_user_fields(const QString &line, UserRecord &u);

// Whether the line carries a whole user record (all eleven fields), as
// opposed to a status line such as "## OK".
bool is_user_record(const QString &line);

// The controller's record of `numero`: the first answer line that is a whole
// user record of that number; nothing when no line is.
std::optional<UserRecord> stored_record(const QStringList &answer, const QString &numero);

// Whether the controller's stored record carries what was sent: name,
// category, owner, hours and days (the id may be another one).
bool carries_upload(const UserRecord &stored, const UserRecord &sent);

// " UU <id> <code> \"<nombre>\" <numero> <id_padre> <hrs_reman> <rh_ini>
// <rh_fin> <rd>": the record as the controller stores it. A record whose
// category has no controller code is sent without one.
QString upload_line(const UserRecord &u);

// The controller looks records up and deletes them by their number.
QString lookup_command(const QString &numero);
QString delete_command(const QString &numero);

#endif
