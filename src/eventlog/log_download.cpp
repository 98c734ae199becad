#include "log_download.h"

#include "admin_core.h"
#include "log_lines.h"
#include "text_util.h"

#include <algorithm>

OperationResult download_log(AdminCore &core, QStringList &lines)
{
    Session &session = core.session;
    const Reply count_reply = session.exchange(
        QStringLiteral("TOTAL_LOG"), 1, 2, QStringLiteral("Bajando Eventos"), Counted::numbers());
    const std::optional<int> count = session.count_in(count_reply, QStringLiteral("TOTAL_LOG"));
    if (!count)
        return OperationResult::not_counted(count_reply);
    const int total = *count;
    const QStringList got_lines =
        session
            .exchange(QStringLiteral("ENVLOG"), total, 2, QStringLiteral("Cargando Registro"),
                      QStringLiteral("XX "))
            .lines;
    const int got = int(std::count_if(got_lines.cbegin(), got_lines.cend(), is_log_line));
    if (got < total)
        return incomplete(core, got, total, QStringLiteral("eventos"));
    lines = got_lines;
    core.record_log(lines);
    OperationResult r = OperationResult::make(
        OperationResult::done,
        counted(got, QStringLiteral("evento descargado"), QStringLiteral("eventos descargados")));
    r.got = r.total = total;
    return r;
}
