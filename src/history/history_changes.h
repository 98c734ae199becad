#ifndef HISTORY_CHANGES_H
#define HISTORY_CHANGES_H

#include <QString>
#include <QStringList>
#include <QVector>

// What changed in a controller between two visits. People are matched by
// their number: the controller knows them by it.
struct DirectoryChanges
{
    QStringList added;   // "<numero> <nombre>"
    QStringList removed; // "<numero> <nombre>"
    // "<numero> <nombre>: <what> <old> → <new>; …", one line per person.
    QStringList changed;

    bool empty() const { return added.isEmpty() && removed.isEmpty() && changed.isEmpty(); }
};

// Compares two directories given as the controller's user lines; lines
// that are not whole records are left out.
DirectoryChanges compare_directories(const QStringList &before, const QStringList &after);

// "NN: <old> → <new>" for each parameter whose value differs; `labels`, when
// given, names them ("Nombre Instalación (00): …"). A parameter missing on
// one side counts as empty.
QStringList compare_params(const QVector<QString> &before, const QVector<QString> &after,
                           const QStringList &labels = QStringList());

#endif
