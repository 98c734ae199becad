#ifndef USER_PANEL_H
#define USER_PANEL_H

#include <QWidget>

class UserRow;

// The form beside the user tree: shows one record and, in edit mode, writes
// the edited values back into it.
class UserPanel : public QWidget
{
    Q_OBJECT

public:
    UserPanel(UserRow *u, bool read_only, QWidget *parent);

public slots:
    void setUser(UserRow *u);
    void setMode(bool read_only);
    void edit(UserRow *u);
    void cancel(UserRow *u);
    bool save(UserRow *u);
};

#endif
