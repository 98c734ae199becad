#ifndef BACKUP_OPERATION_H
#define BACKUP_OPERATION_H

#include "operation.h"

#include <QString>

// `dorvak-admin backup PORT DIR` once the line is open: reads the
// parameters, the users and the log, and writes them into a new folder of
// DIR as the window would export them. The folder gets its name only once
// every file is whole; a backup that fails leaves none that looks complete.
class Backup : public Operation
{
    Q_OBJECT

public:
    Backup(AdminCore &core, const QString &dir);

    // The folder written, once done.
    QString folder() const { return done_folder; }
    int users() const { return user_count; }
    int events() const { return event_count; }

signals:
    // One line for each phase, as it ends.
    void phase(const QString &text);

protected:
    OperationResult run() override;

private:
    QString dir;
    QString done_folder;
    int user_count = 0;
    int event_count = 0;
};

#endif
