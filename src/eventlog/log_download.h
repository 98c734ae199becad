#ifndef LOG_DOWNLOAD_H
#define LOG_DOWNLOAD_H

#include "operation.h"

#include <QStringList>

// TOTAL_LOG and ENVLOG inside a running operation: `lines` gets the log
// once it arrived whole, and then it is recorded in the history's archive.
OperationResult download_log(AdminCore &core, QStringList &lines);

// "Obtener Registro": TOTAL_LOG, then the ENVLOG listing. Only the log
// lines count: status lines that the controller mixes in would otherwise
// end the wait before the last events are in. A whole log is recorded in
// the history's archive.
class DownloadLog : public Operation
{
    Q_OBJECT

public:
    using Operation::Operation;

    // The listing's lines, once whole.
    QStringList lines;

protected:
    bool needs_line() const override { return false; }
    OperationResult run() override { return download_log(core, lines); }
};

#endif
