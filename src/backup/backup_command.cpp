#include "backup_command.h"

#include "admin_core.h"
#include "asker.h"
#include "backup_operation.h"
#include "history_db.h"
#include "net_text.h"

#include <QTextStream>

namespace {

// Nobody is there to answer: every question gets its safe answer, and what
// a window would show in a box goes to stderr.
class UnattendedAsker : public Asker
{
public:
    explicit UnattendedAsker(QTextStream &to) : err(to) { }

    int choose(const QString &question, const Choices &, int fallback, const QString &) override
    {
        err << question << Qt::endl;
        return fallback;
    }
    void warn(const QString &, const QString &text) override { err << text << Qt::endl; }
    void report(const QString &) override { }

private:
    QTextStream &err;
};

} // namespace

int run_backup(const QString &port, const QString &dir, QTextStream &err, QTextStream &out)
{
    UnattendedAsker asker(err);
    AdminCore core(asker);
    // Another copy (a window left open, another backup) may hold the
    // history: it is waited for, for a while.
    bool wait_set = false;
    const int wait_s = qEnvironmentVariableIntValue("DORVAK_HISTORY_WAIT", &wait_set);
    const QString history_path = HistoryDb::default_path();
    core.open_history(history_path, (wait_set ? qMax(0, wait_s) : backup_history_wait_s) * 1000);
    err << core.history_state() << Qt::endl;
    const bool held = core.history_held();
    if (core.history())
        core.history()->set_origin(QStringLiteral("respaldo"));
    QObject::connect(&core, &AdminCore::recording_failed,
                     [&err](const QString &text) { err << text << Qt::endl; });
    QObject::connect(&core.session, &Session::line_lost, [&err](const QString &why) {
        err << QStringLiteral("Se perdió la conexión con el controlador: ") << why << Qt::endl;
    });
    // What the line says of itself (what a server agreed to) goes to the log.
    QObject::connect(&core.session, &Session::note,
                     [&err](const QString &text) { err << text << Qt::endl; });
    const auto failed = [&](const QString &what) {
        err << QStringLiteral("Respaldo fallido: %1").arg(what) << Qt::endl;
        return int(backup_failed);
    };
    if (!core.session.open(port)) {
        // A cron log keeps no password given by mistake.
        const QString named = without_credentials(port);
        err << QStringLiteral("No se pudo abrir el puerto %1: %2")
                   .arg(port.isEmpty() ? QStringLiteral("(ninguno)") : named,
                        core.session.open_error())
            << Qt::endl;
        return failed(QStringLiteral("no se pudo abrir el puerto %1").arg(named));
    }
    Backup backup(core, dir);
    QObject::connect(&backup, &Backup::phase,
                     [&err](const QString &text) { err << text << Qt::endl; });
    const OperationResult result = backup.exec();
    core.session.close();
    if (!result.ok())
        return failed(result.summary);
    out << result.summary << Qt::endl;
    // The files are safe; the visit is not in the history, and the exit
    // status says so to whoever watches the nights' backups.
    if (held) {
        err << QStringLiteral("Respaldo escrito, pero no registrado: %1").arg(core.history_state())
            << Qt::endl;
        return backup_history_held;
    }
    const QString lost = core.unrecorded();
    if ((!history_path.isEmpty() && !core.history()) || !lost.isEmpty()) {
        err << QStringLiteral("Respaldo escrito, pero no registrado: %1")
                   .arg(lost.isEmpty() ? core.history_state() : lost)
            << Qt::endl;
        return backup_not_recorded;
    }
    return backup_done;
}
