#ifndef COMMAND_OPERATION_H
#define COMMAND_OPERATION_H

#include "operation.h"

// A maintenance command: one fixed line whose answer is left to the
// console. With a question, the line goes out only after the user's yes.
class CommandOperation : public Operation
{
    Q_OBJECT

public:
    CommandOperation(AdminCore &core, const QString &command, int expected, int timeout_s,
                     const QString &label, const QString &question = QString());

protected:
    // On a closed port the exchange says so; there is nothing to ask.
    bool needs_line() const override { return false; }
    OperationResult run() override;

private:
    QString command;
    int expected = 0;
    int timeout_s = 0;
    QString label;
    QString question;
};

#endif
