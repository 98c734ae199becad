#ifndef BACKUP_COMMAND_H
#define BACKUP_COMMAND_H

#include <QString>

class QTextStream;

// How a backup ended, as its exit status.
enum BackupExit {
    backup_done = 0,
    backup_failed = 1, // no folder that looks complete is left
    backup_usage = 2,
    // The folder is written, but the visit is not in the history: a
    // recording failed, or the file could not be used.
    backup_not_recorded = 3,
    // The folder is written, but another copy held the history for longer
    // than the backup waits for it.
    backup_history_held = 4,
};

// How long a backup waits for a history that another copy holds, unless
// DORVAK_HISTORY_WAIT gives it in seconds.
constexpr int backup_history_wait_s = 300;

// `dorvak-admin backup PORT DIR` with no one at the screen: progress and
// every message on `err`, each question given its safe answer, the summary
// on `out`. Returns a BackupExit.
int run_backup(const QString &port, const QString &dir, QTextStream &err, QTextStream &out);

#endif
