#ifndef PARAM_OPERATIONS_H
#define PARAM_OPERATIONS_H

#include "operation.h"

#include <QStringList>

// GET_PARS inside a running operation: a complete read of the sixteen
// values goes to the core, which keeps and records it.
OperationResult read_params(AdminCore &core);

// "Obtener Parametros".
class ReadParams : public Operation
{
    Q_OBJECT

public:
    using Operation::Operation;

protected:
    OperationResult run() override { return read_params(core); }
};

// "Grabar Parametros": the SEND_PAR lines, all made before the first goes
// out, so that a value that cannot be sent stops the whole write.
class WriteParams : public Operation
{
    Q_OBJECT

public:
    using Operation::Operation;

    // Whether the form holds a complete read of the open line; an empty
    // form written over the controller would blank its configuration.
    bool have_read = false;
    QStringList lines;
    // The fields whose values cannot be sent, by their labels.
    QStringList refused;

protected:
    OperationResult run() override;
};

#endif
