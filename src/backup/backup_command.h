#ifndef BACKUP_COMMAND_H
#define BACKUP_COMMAND_H

#include <QString>

class QTextStream;

// `dorvak-admin backup PORT DIR` with no one at the screen: progress and
// every message on `err`, each question given its safe answer, the summary
// on `out`. 0 when every read arrived whole and every file was written; 1
// otherwise, and then no folder that looks complete is left.
int run_backup(const QString &port, const QString &dir, QTextStream &err, QTextStream &out);

#endif
