#include "admin_core.h"

#include "asker.h"
#include "history_changes.h"
#include "history_db.h"
#include "param_lines.h"
#include "param_operations.h"

AdminCore::AdminCore(Asker &a, QObject *parent) : QObject(parent), asker(a)
{
    // What the exchange itself knows of how a command went is an outcome too.
    connect(&session, &Session::reported, this,
            [this](const QString &text) { asker.report(text); });
    // What was read belongs to the open line: the next line may lead to
    // another controller, or to the same one on another day.
    connect(&session, &Session::connected, this, [this](bool open) {
        if (!open) {
            values.clear();
            visit = 0;
        }
    });
    // A command that changes the users behind the directory's back (a
    // maintenance command, a line typed in the console) leaves nothing
    // known of what the controller holds: the next write reads it again.
    connect(&session, &Session::command_sent, this, [this](const QString &line) {
        const QString command = line.trimmed().section(QLatin1Char(' '), 0, 0).toUpper();
        const bool bulk =
            command == QLatin1String("DEFAULTDB") || command == QLatin1String("CREATE500U");
        const bool typed =
            !runner.running() && (command == QLatin1String("UU") || command == QLatin1String("BU"));
        if (bulk || typed)
            held.forget();
    });
    // What is read after the controller was changed (by the tool or a line
    // typed in the console) is another state of it: a new visit, and its
    // identity read again, since a "Default DB" may have changed it too.
    connect(&session, &Session::command_sent, this, [this](const QString &command) {
        if (session.is_open() && changes_controller(command)) {
            visit = 0;
            params_stale = true;
        }
    });
    connect(&runner, &OperationRunner::running_changed, this, [this](bool running) {
        if (running)
            failures.clear();
    });
}

AdminCore::~AdminCore() = default;

void AdminCore::open_history(const QString &path, int wait_ms)
{
    history_db.reset();
    held_elsewhere = false;
    if (path.isEmpty()) {
        history_text = QStringLiteral("Historial desactivado");
        return;
    }
    history_db = std::make_shared<HistoryDb>(path, HistoryDb::schema_version, wait_ms);
    held_elsewhere = history_db->held_elsewhere();
    if (history_db->available())
        history_text = QStringLiteral("Historial en %1").arg(history_db->path());
    else
        history_failed();
}

void AdminCore::history_failed()
{
    // Said once, where it stays visible; the tool carries on without it.
    history_text = QStringLiteral("Historial no disponible: ") + history_db->why();
    history_db.reset();
    emit session.note(history_text);
    emit history_lost(history_text);
}

QString AdminCore::identity() const
{
    return values.size() > 1 ? param_text(values.at(1)) : QString();
}

QString AdminCore::installation() const
{
    return values.isEmpty() ? QString() : param_text(values.at(0));
}

void AdminCore::take_params(const QVector<QString> &read)
{
    values = read;
    params_stale = false;
    emit params_arrived(values);
    if (history_db && !identity().isEmpty()
        && !history_db->record_params(visit, identity(), installation(), session.port(), values))
        recording_lost(QStringLiteral("los parámetros"));
}

bool AdminCore::held_here() const
{
    return held.known && !held.identity.isEmpty() && held.identity == identity()
        && held.port == session.port();
}

bool AdminCore::know_identity()
{
    return !identity().isEmpty() || (read_params(*this).ok() && !identity().isEmpty());
}

bool AdminCore::learn_identity()
{
    if (!identity().isEmpty() && !params_stale)
        return true;
    const bool known = read_params(*this).ok() && !identity().isEmpty();
    if (!known)
        recording_lost(QStringLiteral("la lectura"),
                       QStringLiteral("no se conoce el número de equipo"));
    return known;
}

void AdminCore::recording_lost(const QString &what, QString why)
{
    // Said with the operation's outcome, and where the history's state is.
    if (why.isEmpty() && history_db)
        why = history_db->error();
    const QString text = QStringLiteral("Historial: no se registró %1").arg(what)
        + (why.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(why));
    failures << text;
    emit session.note(text);
    emit recording_failed(text);
}

void AdminCore::record_users(const QStringList &lines)
{
    if (!history_db || !learn_identity())
        return;
    if (!history_db->record_users(visit, identity(), installation(), session.port(), lines))
        recording_lost(QStringLiteral("el directorio"));
}

void AdminCore::record_log(const QStringList &lines)
{
    if (!history_db || !learn_identity())
        return;
    int added = 0;
    if (!history_db->record_log(visit, identity(), installation(), session.port(), lines, added))
        recording_lost(QStringLiteral("el registro"));
    else
        emit session.note(QStringLiteral("Historial: %1 eventos nuevos en el archivo").arg(added));
    emit archive_changed();
}
