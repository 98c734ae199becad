// The bulk test-user generator: a whole three-level hierarchy written
// through the ordinary upload, record by record.
#include "dorvak_admin.h"

#include "console.h"
#include "test_users.h"
#include "user_row.h"

#include <QDebug>
#include <QProgressBar>

#include <memory>
#include <optional>

void DORVAK_Admin::add_5000()
{
    run_operation(Needs::line, [this] {
        const int users_per_admin = 10;
        const int visitors_per_user = 50;
        const int visitors = users_per_admin * visitors_per_user;

        // Builds, uploads and drops one record. Gives the id under which the
        // controller keeps it, or nothing once the line is gone.
        auto write = [this](int categoria, int owner) -> std::optional<int> {
            // Two ids a record: the one its construction takes (an
            // administrator keeps it as its owner id), and the next.
            const auto record = std::make_unique<UserRow>();
            record->id_user = UserRow::id_siguiente++;
            record->categoria = categoria;
            if (categoria != UserRow::Admin)
                record->id_padre = owner;
            record->nombre = test_user_name(categoria, record->id_user);
            record->numero = test_user_number(categoria, record->id_user);
            qDebug() << "Grabando " << record->nombre << " num " << record->numero;

            const int counter = UserRow::id_siguiente;
            upload_user(record.get());
            // The confirmation reads the stored record into a scratch record,
            // which takes an id of its own; the run goes on counting two ids a
            // record, past the id the controller kept this one under if that is
            // higher, so that no later record is sent with it.
            UserRow::id_siguiente = qMax(counter, record->id_user + 1);
            ++gen_count;
            // The line is gone, or the user stopped the run: what was written
            // stays written, nothing more goes out.
            if (!is_open() || stopped())
                return std::nullopt;
            return record->id_user;
        };

        auto run = [&] {
            if (!ask_next_id())
                return;
            const std::vector<TestUserStep> plan =
                test_user_plan(users_per_admin, visitors_per_user);
            std::vector<int> ids; // the id each record of the run is kept under
            int visitors_written = 0;
            for (const TestUserStep &step : plan) {
                const std::optional<int> id =
                    write(step.categoria, step.owner < 0 ? 0 : ids[size_t(step.owner)]);
                if (!id)
                    return;
                ids.push_back(*id);
                if (step.categoria != UserRow::Visita)
                    continue;
                // The visitors alone set the pace: the last one makes 100.
                ++visitors_written;
                const int percent = visitors_written * 100 / visitors;
                progress->setValue(percent);
                progress->setFormat(QStringLiteral("Agregando Usuarios : ")
                                    + QString::number(percent) + QLatin1Char('%'));
            }
        };

        if (!ask(QStringLiteral("¿Grabar 511 usuarios de prueba en el controlador (1 "
                                "administrador, 10 usuarios y 500 visitas)?")))
            return;
        core.session.set_progress_shown(false);
        gen_count = 0;
        run();
        if (stopped())
            console->note(QStringLiteral("Generador detenido tras ") + QString::number(gen_count)
                          + QStringLiteral(" registros enviados"));
        progress->setValue(0);
        progress->setFormat(QString());
        core.session.set_progress_shown(true);
    });
}
