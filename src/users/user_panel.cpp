#include "user_panel.h"

#include "user_row.h"

UserPanel::UserPanel(UserRow *u, bool read_only, QWidget *parent) : QWidget(parent)
{
    setUser(u);
    setMode(read_only);
}

void UserPanel::setUser(UserRow *) {}
void UserPanel::setMode(bool) {}
void UserPanel::edit(UserRow *) {}
void UserPanel::cancel(UserRow *) {}
bool UserPanel::save(UserRow *) { return false; }
