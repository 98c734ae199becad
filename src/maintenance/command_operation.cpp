#include "command_operation.h"

#include "admin_core.h"
#include "asker.h"

CommandOperation::CommandOperation(AdminCore &c, const QString &cmd, int expect, int timeout,
                                   const QString &caption, const QString &ask_first)
    : Operation(c),
      command(cmd),
      expected(expect),
      timeout_s(timeout),
      label(caption),
      question(ask_first)
{ }

OperationResult CommandOperation::run()
{
    if (!question.isEmpty() && session().is_open() && !asker().ask(question))
        return OperationResult::make(OperationResult::refused,
                                     QStringLiteral("Cancelado: ") + command);
    const Reply reply = session().exchange(command, expected, timeout_s, label);
    if (!reply.sent)
        return OperationResult::from(reply);
    OperationResult r = OperationResult::from(reply, QStringLiteral("Enviado: ") + command);
    // A command that awaits nothing, or whose answer is only for the
    // console, has done its part once it went out.
    if (r.outcome == OperationResult::failed)
        r.outcome = OperationResult::done;
    return r;
}
