#ifndef HISTORY_CHANGES_H
#define HISTORY_CHANGES_H

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

// What changed in a controller between two visits. People are matched by
// their number: the controller knows them by it.
struct DirectoryChanges
{
    QStringList added;   // "<numero> <nombre>"
    QStringList removed; // "<numero> <nombre>"
    // "<numero> <nombre>: <what> <old> → <new>; …", one line per person.
    QStringList changed;
    // Both directories hold people and none of them is in both: most
    // likely two controllers that give the same equipment number.
    bool none_matched = false;

    bool empty() const { return added.isEmpty() && removed.isEmpty() && changed.isEmpty(); }
};

// Compares two directories given as the controller's user lines; lines
// that are not whole records are left out.
DirectoryChanges compare_directories(const QStringList &before, const QStringList &after);

// How a parameter's value reads for the user (the form's words for it).
using ParamWords = std::function<QString(int numero, const QString &valor)>;

// "NN: <old> → <new>" for each parameter whose value differs; `labels`, when
// given, names them ("Nombre Instalación (00): …"), and `words`, when given,
// shows the values as the form does. A parameter missing on one side counts
// as empty.
QStringList compare_params(const QVector<QString> &before, const QVector<QString> &after,
                           const QStringList &labels = QStringList(),
                           const ParamWords &words = ParamWords());

// Whether a command line changes what the controller holds (its users, its
// log or its parameters): what is read after it is another state of it.
bool changes_controller(const QString &command);

#endif
