#include "history_db.h"

#include "log_lines.h"
#include "user_lines.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>

#include <atomic>

namespace {

// The steps from one schema version to the next; step i brings a file of
// version i to version i + 1.
const char *const steps[][8] = {
    {"CREATE TABLE controllers (id INTEGER PRIMARY KEY, identity TEXT NOT NULL UNIQUE, "
     "name TEXT NOT NULL DEFAULT '')",
     "CREATE TABLE visits (id INTEGER PRIMARY KEY, controller INTEGER NOT NULL "
     "REFERENCES controllers(id), started TEXT NOT NULL, port TEXT NOT NULL DEFAULT '', "
     "users_at TEXT, params_at TEXT, log_at TEXT, new_events INTEGER NOT NULL DEFAULT 0)",
     "CREATE TABLE visit_users (visit INTEGER NOT NULL REFERENCES visits(id), "
     "ord INTEGER NOT NULL, line TEXT NOT NULL)",
     "CREATE INDEX visit_users_visit ON visit_users(visit)",
     "CREATE TABLE visit_params (visit INTEGER NOT NULL REFERENCES visits(id), "
     "numero INTEGER NOT NULL, valor TEXT NOT NULL, PRIMARY KEY (visit, numero))",
     // The same line twice in one download is two events of the same
     // second: `occurrence` tells them apart, and a later download that
     // carries them again finds both.
     "CREATE TABLE events (id INTEGER PRIMARY KEY, controller INTEGER NOT NULL "
     "REFERENCES controllers(id), line TEXT NOT NULL, occurrence INTEGER NOT NULL, "
     "fecha TEXT NOT NULL, visit INTEGER NOT NULL REFERENCES visits(id), "
     "UNIQUE (controller, line, occurrence))",
     nullptr},
    // The archive is read by controller in the order events arrived; the
    // unique key alone made that a scan of every controller's events.
    {"CREATE INDEX events_controller ON events(controller, id)", nullptr},
    // A backup's visits are told apart from the window's.
    {"ALTER TABLE visits ADD COLUMN origin TEXT NOT NULL DEFAULT ''", nullptr},
};

// A null text binds as NULL; the columns hold an empty text instead.
QString text(const QString &value)
{
    return value.isNull() ? QStringLiteral("") : value;
}

QString stamp(const QDateTime &at)
{
    return at.toUTC().toString(Qt::ISODate);
}

QDateTime from_stamp(const QVariant &v)
{
    if (v.isNull())
        return QDateTime();
    QDateTime at = QDateTime::fromString(v.toString(), Qt::ISODate);
    at.setTimeSpec(Qt::UTC);
    return at.toLocalTime();
}

// What SQLite says of a failure, in the user's words, its own after them.
QString sqlite_reason(const QSqlError &error)
{
    bool numeric = false;
    const int code = error.nativeErrorCode().toInt(&numeric) & 0xff;
    QString why;
    switch (numeric ? code : -1) {
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        why = QStringLiteral("el archivo está ocupado");
        break;
    case 8: // SQLITE_READONLY
        why = QStringLiteral("el archivo es de solo lectura");
        break;
    case 10: // SQLITE_IOERR
        why = QStringLiteral("error de lectura o escritura en el disco");
        break;
    case 11: // SQLITE_CORRUPT
    case 26: // SQLITE_NOTADB
        why = QStringLiteral("el archivo está dañado");
        break;
    case 13: // SQLITE_FULL
        why = QStringLiteral("el disco está lleno");
        break;
    case 14: // SQLITE_CANTOPEN
        why = QStringLiteral("no se puede abrir el archivo");
        break;
    default:
        why = QStringLiteral("error del archivo");
        break;
    }
    const QString own = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return own.trimmed().isEmpty() ? why : QStringLiteral("%1 (%2)").arg(why, own.trimmed());
}

// Lines of a read as they are kept: whole user records only, trimmed.
QStringList kept_user_lines(const QStringList &lines)
{
    QStringList kept;
    for (const QString &line : lines) {
        if (is_user_record(line))
            kept << line.trimmed();
    }
    return kept;
}

} // namespace

HistoryDb::HistoryDb(const QString &path, int up_to, int wait_ms) : file(path)
{
    static std::atomic<int> opened{0};
    connection = QStringLiteral("history-%1").arg(++opened);
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        fail(QStringLiteral("no se pudo crear la carpeta %1").arg(info.absolutePath()));
        return;
    }
    // SQLite would let a second copy in and make both wait on each other's
    // writes; the lock turns it away at once. A copy that died leaves a lock
    // that names a process no longer running, which is taken over.
    lock = std::make_unique<QLockFile>(path + QStringLiteral(".lock"));
    lock->setStaleLockTime(0);
    if (!lock->tryLock(wait_ms)) {
        held = lock->error() == QLockFile::LockFailedError;
        qint64 pid = 0;
        QString host, app;
        const QString holder = held && lock->getLockInfo(&pid, &host, &app)
            ? QStringLiteral(" (%1, proceso %2 en %3)")
                  .arg(app.isEmpty() ? QStringLiteral("DORVAK Admin") : app)
                  .arg(pid)
                  .arg(host)
            : QString();
        fail(
            held
                ? QStringLiteral("otra copia de DORVAK Admin%1 está usando %2").arg(holder, path)
                : QStringLiteral("no se puede escribir en la carpeta %1").arg(info.absolutePath()));
        return;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    db.setDatabaseName(path);
    if (!db.open()) {
        fail(db.lastError().text());
        return;
    }
    ok = migrate(up_to);
    schema = up_to;
}

HistoryDb::~HistoryDb()
{
    {
        QSqlDatabase db = QSqlDatabase::database(connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

QString HistoryDb::default_path()
{
    const QString set = qEnvironmentVariable("DORVAK_HISTORY");
    if (set == QLatin1String("off") || set == QLatin1String("0"))
        return QString();
    if (!set.isEmpty())
        return set;
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
        + QStringLiteral("/historial.sqlite");
}

bool HistoryDb::fail(const QString &why)
{
    ok = false;
    reason = why;
    return false;
}

int HistoryDb::version() const
{
    QSqlQuery q(QSqlDatabase::database(connection, false));
    return q.exec(QStringLiteral("PRAGMA user_version")) && q.next() ? q.value(0).toInt() : -1;
}

bool HistoryDb::migrate(int up_to)
{
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    QSqlQuery q(db);
    // A file that is not a database (or a damaged one) fails here, before
    // anything is written to it.
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next())
        return fail(QStringLiteral("%1 no es un historial válido (%2)")
                        .arg(file, q.lastError().databaseText()));
    const int found = q.value(0).toInt();
    if (found > schema_version)
        return fail(QStringLiteral("%1 es de una versión más nueva de DORVAK Admin").arg(file));
    for (int v = found; v < up_to; ++v) {
        // Each step is whole or not at all.
        bool done = db.transaction();
        for (const char *const *sql = steps[v]; done && *sql; ++sql)
            done = q.exec(QLatin1String(*sql));
        done = done && q.exec(QStringLiteral("PRAGMA user_version = %1").arg(v + 1)) && db.commit();
        if (!done) {
            db.rollback();
            return fail(QStringLiteral("no se pudo preparar %1 (%2)")
                            .arg(file, q.lastError().databaseText()));
        }
    }
    q.exec(QStringLiteral("PRAGMA foreign_keys = ON"));
    return true;
}

bool HistoryDb::failed_with(const QSqlError &error, const QString &what)
{
    last_error = QStringLiteral("%1: %2").arg(what, sqlite_reason(error));
    return false;
}

template<typename Holds_fn, typename Body>
bool HistoryDb::record_in_visit(qint64 &visit, const QString &identity, const QString &name,
                                const QString &port, Holds_fn holds, Body body)
{
    last_error.clear();
    if (!ok) {
        last_error = reason;
        return false;
    }
    if (identity.isEmpty()) {
        last_error = QStringLiteral("no se conoce el número de equipo");
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    if (!db.transaction())
        return failed_with(db.lastError(), QStringLiteral("no se pudo empezar"));
    bool same = false;
    QSqlQuery q(db);
    const qint64 now_visit = visit_for(visit, identity, name, port, holds, same);
    if (now_visit != 0 && (same || body(now_visit, q)) && db.commit()) {
        visit = now_visit;
        return true;
    }
    // The first failure says why; a commit refused says it itself.
    const QSqlError error = q.lastError().isValid() ? q.lastError() : db.lastError();
    db.rollback();
    if (last_error.isEmpty())
        failed_with(error, QStringLiteral("no se pudo escribir"));
    return false;
}

qint64 HistoryDb::visit_for(qint64 visit, const QString &identity, const QString &name,
                            const QString &port, const std::function<Holds(qint64)> &holds,
                            bool &same)
{
    QSqlQuery q(QSqlDatabase::database(connection, false));
    const auto failed = [&](const QString &what) {
        failed_with(q.lastError(), what);
        return qint64(0);
    };
    q.prepare(QStringLiteral("INSERT INTO controllers (identity, name) VALUES (?, ?) "
                             "ON CONFLICT(identity) DO UPDATE SET name = "
                             "CASE WHEN excluded.name = '' THEN name ELSE excluded.name END"));
    q.addBindValue(identity);
    q.addBindValue(text(name));
    if (!q.exec())
        return failed(QStringLiteral("no se pudo escribir"));
    q.prepare(QStringLiteral("SELECT id FROM controllers WHERE identity = ?"));
    q.addBindValue(identity);
    if (!q.exec() || !q.next())
        return failed(QStringLiteral("no se pudo leer"));
    const qint64 controller = q.value(0).toLongLong();
    if (visit != 0) {
        // A visit belongs to one controller: a line that now leads to
        // another one starts a new visit. Nor is what a visit holds ever
        // replaced: a read that differs from it is a visit of its own.
        q.prepare(QStringLiteral("SELECT controller FROM visits WHERE id = ?"));
        q.addBindValue(visit);
        if (q.exec() && q.next() && q.value(0).toLongLong() == controller) {
            const Holds held_now = holds(visit);
            same = held_now == Holds::same;
            if (held_now != Holds::other)
                return visit;
        }
    }
    // A file kept at an older schema (to check the step from it) has no
    // origin to write.
    q.prepare(schema < 3 ? QStringLiteral("INSERT INTO visits (controller, started, port) "
                                          "VALUES (?, ?, ?)")
                         : QStringLiteral("INSERT INTO visits (controller, started, port, "
                                          "origin) VALUES (?, ?, ?, ?)"));
    q.addBindValue(controller);
    q.addBindValue(stamp(QDateTime::currentDateTime()));
    q.addBindValue(text(port));
    if (schema >= 3)
        q.addBindValue(text(origin));
    return q.exec() ? q.lastInsertId().toLongLong() : failed(QStringLiteral("no se pudo escribir"));
}

bool HistoryDb::record_users(qint64 &visit, const QString &identity, const QString &name,
                             const QString &port, const QStringList &user_lines)
{
    const QStringList kept = kept_user_lines(user_lines);
    const auto holds = [&](qint64 v) {
        QSqlQuery q(QSqlDatabase::database(connection, false));
        q.prepare(QStringLiteral("SELECT users_at IS NOT NULL FROM visits WHERE id = ?"));
        q.addBindValue(v);
        if (!q.exec() || !q.next() || !q.value(0).toBool())
            return Holds::nothing;
        return users_of(v) == kept ? Holds::same : Holds::other;
    };
    return record_in_visit(visit, identity, name, port, holds, [&](qint64 now_visit, QSqlQuery &q) {
        q.prepare(QStringLiteral("INSERT INTO visit_users (visit, ord, line) VALUES (?, ?, ?)"));
        int ord = 0;
        for (const QString &line : kept) {
            q.bindValue(0, now_visit);
            q.bindValue(1, ord++);
            q.bindValue(2, line);
            if (!q.exec())
                return false;
        }
        q.prepare(QStringLiteral("UPDATE visits SET users_at = ? WHERE id = ?"));
        q.addBindValue(stamp(QDateTime::currentDateTime()));
        q.addBindValue(now_visit);
        return q.exec();
    });
}

bool HistoryDb::record_params(qint64 &visit, const QString &identity, const QString &name,
                              const QString &port, const QVector<QString> &values)
{
    QVector<QString> kept;
    for (const QString &v : values)
        kept << text(v);
    const auto holds = [&](qint64 v) {
        QSqlQuery q(QSqlDatabase::database(connection, false));
        q.prepare(QStringLiteral("SELECT params_at IS NOT NULL FROM visits WHERE id = ?"));
        q.addBindValue(v);
        if (!q.exec() || !q.next() || !q.value(0).toBool())
            return Holds::nothing;
        return params_of(v) == kept ? Holds::same : Holds::other;
    };
    return record_in_visit(visit, identity, name, port, holds, [&](qint64 now_visit, QSqlQuery &q) {
        q.prepare(
            QStringLiteral("INSERT INTO visit_params (visit, numero, valor) VALUES (?, ?, ?)"));
        for (int n = 0; n < kept.size(); ++n) {
            q.bindValue(0, now_visit);
            q.bindValue(1, n);
            q.bindValue(2, kept.at(n));
            if (!q.exec())
                return false;
        }
        q.prepare(QStringLiteral("UPDATE visits SET params_at = ? WHERE id = ?"));
        q.addBindValue(stamp(QDateTime::currentDateTime()));
        q.addBindValue(now_visit);
        return q.exec();
    });
}

bool HistoryDb::record_log(qint64 &visit, const QString &identity, const QString &name,
                           const QString &port, const QStringList &log_lines, int &added)
{
    added = 0;
    int fresh = 0;
    // The archive keeps each event once: a log adds to any visit.
    const auto holds = [](qint64) { return Holds::nothing; };
    const bool done =
        record_in_visit(visit, identity, name, port, holds, [&](qint64 now_visit, QSqlQuery &q) {
            q.prepare(QStringLiteral("SELECT controller FROM visits WHERE id = ?"));
            q.addBindValue(now_visit);
            if (!q.exec() || !q.next())
                return false;
            const qint64 controller = q.value(0).toLongLong();
            q.prepare(QStringLiteral("INSERT OR IGNORE INTO events "
                                     "(controller, line, occurrence, fecha, visit) "
                                     "VALUES (?, ?, ?, ?, ?)"));
            QHash<QString, int> seen;
            for (const QString &raw : log_lines) {
                if (!is_log_line(raw))
                    continue;
                const QString line = raw.trimmed();
                q.bindValue(0, controller);
                q.bindValue(1, line);
                q.bindValue(2, seen[line]++);
                q.bindValue(3, decode_log_line(line).fecha);
                q.bindValue(4, now_visit);
                if (!q.exec())
                    return false;
                fresh += q.numRowsAffected() > 0 ? 1 : 0;
            }
            q.prepare(QStringLiteral(
                "UPDATE visits SET log_at = ?, new_events = new_events + ? WHERE id = ?"));
            q.addBindValue(stamp(QDateTime::currentDateTime()));
            q.addBindValue(fresh);
            q.addBindValue(now_visit);
            return q.exec();
        });
    if (done)
        added = fresh;
    return done;
}

QList<ControllerInfo> HistoryDb::controllers() const
{
    QList<ControllerInfo> list;
    QSqlQuery q(QSqlDatabase::database(connection, false));
    if (ok && q.exec(QStringLiteral("SELECT identity, name FROM controllers ORDER BY identity"))) {
        while (q.next())
            list.append({q.value(0).toString(), q.value(1).toString()});
    }
    return list;
}

QList<VisitInfo> HistoryDb::visits(const QString &identity) const
{
    QList<VisitInfo> list;
    QSqlQuery q(QSqlDatabase::database(connection, false));
    if (!ok)
        return list;
    q.prepare(
        QStringLiteral(
            "SELECT v.id, v.started, v.port, v.users_at, v.params_at, v.log_at, v.new_events, "
            "(SELECT count(*) FROM visit_users u WHERE u.visit = v.id), %1 "
            "FROM visits v JOIN controllers c ON c.id = v.controller "
            "WHERE c.identity = ? ORDER BY v.id DESC")
            .arg(schema >= 3 ? QStringLiteral("v.origin") : QStringLiteral("''")));
    q.addBindValue(identity);
    if (!q.exec()) {
        last_error = sqlite_reason(q.lastError());
        return list;
    }
    while (q.next()) {
        VisitInfo v;
        v.id = q.value(0).toLongLong();
        v.started = from_stamp(q.value(1));
        v.port = q.value(2).toString();
        v.users_at = from_stamp(q.value(3));
        v.params_at = from_stamp(q.value(4));
        v.log_at = from_stamp(q.value(5));
        v.new_events = q.value(6).toInt();
        v.users = q.value(7).toInt();
        v.origin = q.value(8).toString();
        list.append(v);
    }
    return list;
}

QStringList HistoryDb::users_of(qint64 visit) const
{
    QStringList lines;
    QSqlQuery q(QSqlDatabase::database(connection, false));
    q.prepare(QStringLiteral("SELECT line FROM visit_users WHERE visit = ? ORDER BY ord"));
    q.addBindValue(visit);
    if (ok && q.exec()) {
        while (q.next())
            lines << q.value(0).toString();
    }
    return lines;
}

QVector<QString> HistoryDb::params_of(qint64 visit) const
{
    QVector<QString> values;
    QSqlQuery q(QSqlDatabase::database(connection, false));
    q.prepare(QStringLiteral("SELECT numero, valor FROM visit_params WHERE visit = ? "
                             "ORDER BY numero"));
    q.addBindValue(visit);
    if (ok && q.exec()) {
        while (q.next()) {
            const int n = q.value(0).toInt();
            if (n >= values.size())
                values.resize(n + 1);
            values[n] = q.value(1).toString();
        }
    }
    return values;
}

QStringList HistoryDb::archive(const QString &identity) const
{
    qint64 after = 0;
    return archive_part(identity, after, -1);
}

QStringList HistoryDb::archive_part(const QString &identity, qint64 &after, int limit,
                                    QString *failure) const
{
    QStringList lines;
    QSqlQuery q(QSqlDatabase::database(connection, false));
    q.setForwardOnly(true);
    // A negative limit is none at all.
    q.prepare(QStringLiteral("SELECT e.id, e.line FROM events e JOIN controllers c "
                             "ON c.id = e.controller WHERE c.identity = ? AND e.id > ? "
                             "ORDER BY e.id LIMIT ?"));
    q.addBindValue(identity);
    q.addBindValue(after);
    q.addBindValue(limit);
    if (ok && q.exec()) {
        while (q.next()) {
            after = q.value(0).toLongLong();
            lines << q.value(1).toString();
        }
    }
    // A damaged page ends the rows early, and only the error tells.
    if (failure && q.lastError().isValid())
        *failure = sqlite_reason(q.lastError());
    return lines;
}

QStringList HistoryDb::latest_users(const QString &identity, QDateTime *at) const
{
    QSqlQuery q(QSqlDatabase::database(connection, false));
    q.prepare(QStringLiteral("SELECT v.id, v.users_at FROM visits v JOIN controllers c "
                             "ON c.id = v.controller WHERE c.identity = ? AND "
                             "v.users_at IS NOT NULL ORDER BY v.id DESC LIMIT 1"));
    q.addBindValue(identity);
    if (!ok || !q.exec() || !q.next())
        return QStringList();
    if (at)
        *at = from_stamp(q.value(1));
    return users_of(q.value(0).toLongLong());
}

qint64 HistoryDb::archive_size(const QString &identity) const
{
    QSqlQuery q(QSqlDatabase::database(connection, false));
    q.prepare(QStringLiteral("SELECT count(*) FROM events e JOIN controllers c "
                             "ON c.id = e.controller WHERE c.identity = ?"));
    q.addBindValue(identity);
    return ok && q.exec() && q.next() ? q.value(0).toLongLong() : 0;
}
