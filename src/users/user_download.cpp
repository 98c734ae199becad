#include "user_download.h"

#include "admin_core.h"
#include "asker.h"
#include "user_lines.h"
#include "user_upload.h"

#include <QDebug>

#include <algorithm>

OperationResult DownloadUsers::run()
{
    if (!question.isEmpty() && !asker().ask(question))
        return OperationResult::make(OperationResult::refused,
                                     QStringLiteral("Descarga cancelada"));
    const OperationResult r = download_users(core, lines);
    // What the directory plans its writes from.
    if (r.ok())
        hold_listing(core, lines);
    return r;
}

OperationResult download_users(AdminCore &core, QStringList &lines)
{
    Session &session = core.session;
    const Reply count_reply =
        session.exchange(QStringLiteral("TOT_USERS"), 1, 2, QString(), Counted::numbers());
    const std::optional<int> count = session.count_in(count_reply, QStringLiteral("TOT_USERS"));
    if (!count)
        return OperationResult::not_counted(count_reply);
    const int total = *count;
    qDebug() << "Usuarios registrados : " << total;
    // Status lines such as "## OK" begin like a record: only whole records
    // count, and only they are the listing.
    QStringList got_lines =
        session
            .exchange(QStringLiteral("LU"), total, 2, QStringLiteral("Cargando Usuarios"),
                      Counted::lines_that(is_user_record))
            .lines;
    got_lines.erase(std::remove_if(got_lines.begin(), got_lines.end(),
                                   [](const QString &line) { return !is_user_record(line); }),
                    got_lines.end());
    const int got = int(got_lines.size());
    if (got < total)
        return incomplete(core, got, total, QStringLiteral("usuarios"));
    lines = got_lines;
    core.record_users(lines);
    OperationResult r = OperationResult::make(OperationResult::done);
    r.got = r.total = total;
    return r;
}
