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
// out, so that a value that cannot be sent stops the whole write. Only the
// parameters that change are sent, after the user saw what changes and
// said yes: a value the controller holds already is left alone, byte for
// byte, however the form shows it.
class WriteParams : public Operation
{
    Q_OBJECT

public:
    using Operation::Operation;

    // Whether the form holds a complete read of the open line, or values
    // loaded from the history; an empty form written over the controller
    // would blank its configuration.
    bool have_read = false;
    QStringList lines;
    // What each line changes, "Label (NN): old → new", in the same order.
    QStringList changes;
    // The fields whose values cannot be sent, by their labels.
    QStringList refused;

protected:
    OperationResult run() override;
};

#endif
