#ifndef USER_DOWNLOAD_H
#define USER_DOWNLOAD_H

#include "operation.h"

#include <QStringList>

// TOT_USERS and LU inside a running operation: `lines` gets the listing
// once it arrived whole, and then it is recorded in the history.
OperationResult download_users(AdminCore &core, QStringList &lines);

// "Obtener": TOT_USERS, then the LU listing. Only a whole listing counts:
// one cut short gives no lines, and what it was to replace stays as it was.
// A whole one is recorded in the history.
class DownloadUsers : public Operation
{
    Q_OBJECT

public:
    using Operation::Operation;

    // Asked first when not empty (changes that the listing would discard);
    // a no ends it before anything goes out.
    QString question;
    // The listing's lines, once whole.
    QStringList lines;

protected:
    OperationResult run() override;
};

#endif
