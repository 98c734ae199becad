// The user directory: download, tree, commands, upload and synchronisation.
#include "dorvak_admin.h"

#include "user_index.h"
#include "user_panel.h"
#include "user_row.h"

void DORVAK_Admin::userChanged() {}
void DORVAK_Admin::getUsers() {}
void DORVAK_Admin::limpia_usuarios() {}
void DORVAK_Admin::sync_users() {}
void DORVAK_Admin::nuevo() {}
void DORVAK_Admin::borrar() {}
void DORVAK_Admin::edit() {}
void DORVAK_Admin::cancel() {}
void DORVAK_Admin::save() {}
void DORVAK_Admin::load_user_lines(QStringList) {}
void DORVAK_Admin::build_user_tree() {}
void DORVAK_Admin::attach_users(UserRow *) {}
void DORVAK_Admin::attach_visitors(UserRow *) {}
QTreeWidgetItem *DORVAK_Admin::find_user_item(int id)
{
    return first_showing(user_tree, id);
}
void DORVAK_Admin::install_root(const QString &) {}
void DORVAK_Admin::upload_user(UserRow *) {}
bool DORVAK_Admin::sync_branch(UserRow *) { return true; }
void DORVAK_Admin::reset_edit_buttons(bool) {}
