// The users CSV file: export and import.
#include "dorvak_admin.h"

#include "user_row.h"

#include <QTextStream>

void DORVAK_Admin::export_users() {}
void DORVAK_Admin::import_users() {}
void DORVAK_Admin::write_user_branch(QTextStream &, UserRow *) {}
