#ifndef USER_LINES_H
#define USER_LINES_H

#include <QString>
#include <QStringList>

#include <optional>

class UserRow;

// The controller's user record, "## " and eleven comma-separated fields:
// id, category code, quoted name, number, owner id, remaining hours, two
// fields the tool only keeps, start hour, end hour, days. Returns a new
// record owned by the caller, or null when the line does not begin with
// "##". The record is constructed with defaults first (it takes an id from
// UserRow::id_siguiente) and fields that are missing keep them; the id read
// raises id_siguiente when it is higher.
UserRow *parse_user_line(const QString &line);

// Whether the line carries a whole user record (all eleven fields), as
// opposed to a status line such as "## OK".
bool is_user_record(const QString &line);

// The id under which the controller stored the record of `numero`, taken
// from the first answer line that is a whole user record of that number;
// empty when no line is.
std::optional<int> confirmed_id(const QStringList &answer, const QString &numero);

// " UU <id> <code> \"<nombre>\" <numero> <id_padre> <hrs_reman> <rh_ini>
// <rh_fin> <rd>": the record as the controller stores it. A record whose
// category has no controller code is sent without one.
QString upload_line(const UserRow &u);

// The controller looks records up and deletes them by their number.
QString lookup_command(const QString &numero);
QString delete_command(const QString &numero);

#endif
