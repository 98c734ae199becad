#include "test_user_generator.h"

#include "admin_core.h"
#include "asker.h"
#include "test_users.h"
#include "user_upload.h"

#include <QDebug>

#include <vector>

bool ask_next_id(AdminCore &core, IdCounter &ids)
{
    const Reply reply =
        core.session.exchange(QStringLiteral("NEXT"), 1, 1, QString(), Counted::numbers());
    // Without a number in the answer the local count goes on.
    if (const std::optional<int> next = core.session.count_in(reply, QStringLiteral("NEXT")))
        ids.set(*next);
    return reply.sent;
}

OperationResult GenerateTestUsers::run()
{
    const int total = 1 + users_per_admin * (1 + visitors_per_user);
    if (!asker().ask(QStringLiteral("¿Grabar %1 usuarios de prueba en el controlador (1 "
                                    "administrador, %2 usuarios y %3 visitas)?")
                         .arg(total)
                         .arg(users_per_admin)
                         .arg(users_per_admin * visitors_per_user)))
        return OperationResult::make(OperationResult::refused);
    // The bar is the generator's: the exchanges' own would fall back to 0
    // after every record.
    session().set_progress_shown(false);
    written = 0;
    UserWriter writer(core);
    // Builds and uploads one record. Gives the id under which the controller
    // keeps it, or nothing once the line is gone or the user stopped.
    const auto write = [&](int categoria, int owner) -> std::optional<int> {
        // Two ids a record: the first is an administrator's owner id.
        UserRecord record;
        record.id_padre = ids.take();
        record.id_user = ids.take();
        record.categoria = categoria;
        if (categoria != UserRecord::Admin)
            record.id_padre = owner;
        record.nombre = test_user_name(categoria, record.id_user);
        record.numero = test_user_number(categoria, record.id_user);
        qDebug() << "Grabando " << record.nombre << " num " << record.numero;
        const int counter = ids.next();
        if (const std::optional<UserRecord> stored = writer.write(record))
            record.id_user = stored->id_user;
        // Past the id the controller kept this one under if that is higher,
        // so that no later record is sent with it.
        ids.set(qMax(counter, record.id_user + 1));
        emit record_sent(++written);
        if (!session().is_open() || stopped())
            return std::nullopt;
        return record.id_user;
    };
    if (ask_next_id(core, ids)) {
        const std::vector<TestUserStep> plan = test_user_plan(users_per_admin, visitors_per_user);
        std::vector<int> kept; // the id each record of the run is kept under
        int visitors = 0;
        for (const TestUserStep &step : plan) {
            const std::optional<int> id =
                write(step.categoria, step.owner < 0 ? 0 : kept[size_t(step.owner)]);
            if (!id)
                break;
            kept.push_back(*id);
            // The visitors alone set the pace: the last one makes 100.
            if (step.categoria == UserRecord::Visita)
                set_percent(++visitors * 100 / (users_per_admin * visitors_per_user));
        }
    }
    session().set_progress_shown(true);
    if (stopped()) {
        emit session().note(
            QStringLiteral("Generador detenido tras %1 registros enviados").arg(written));
        return OperationResult::make(OperationResult::stopped);
    }
    if (!session().is_open())
        return OperationResult::make(OperationResult::line_lost);
    OperationResult r =
        OperationResult::make(written == total ? OperationResult::done : OperationResult::failed);
    r.got = written;
    r.total = total;
    return r;
}
