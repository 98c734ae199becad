#ifndef COMMAND_LIST_H
#define COMMAND_LIST_H

class QDialog;
class QWidget;

// A window beside the console that lists the controller's commands: how
// each line is typed, what it does and what the controller answers. It
// stays open while the user types.
QDialog *make_command_list(QWidget *parent);

#endif
