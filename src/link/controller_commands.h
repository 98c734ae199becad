#ifndef CONTROLLER_COMMANDS_H
#define CONTROLLER_COMMANDS_H

#include <QString>
#include <QStringList>
#include <QVector>

// The controller's commands as a person types them in the console: how the
// line begins, what follows, what the command does and what the controller
// answers.
struct ControllerCommand
{
    // The line's beginning as the controller takes it: the name, with a
    // blank after it when arguments follow (" UU " begins with a blank).
    QString start;
    QString arguments;
    QString does;
    QString answers;

    QString name() const { return start.trimmed(); }
};

const QVector<ControllerCommand> &controller_commands();

// What Tab makes of the line being typed: the whole beginning of the one
// command whose name starts so, or as much of the name as the candidates
// share. Case does not matter; a line past its first word is left alone.
struct CommandCompletion
{
    QString line;
    // The names that fit, in the list's order, when more than one does.
    QStringList candidates;
};
CommandCompletion complete_command(const QString &typed);

// "?" alone asks for the list instead of going to the controller.
bool asks_for_commands(const QString &typed);

#endif
