#include "history_db.h"

#include "log_lines.h"

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

} // namespace

HistoryDb::HistoryDb(const QString &path, int up_to) : file(path)
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
    if (!lock->tryLock(0)) {
        fail(
            lock->error() == QLockFile::LockFailedError
                ? QStringLiteral("otra copia de DORVAK Admin está usando %1").arg(path)
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

template<typename Body>
bool HistoryDb::record_in_visit(qint64 &visit, const QString &identity, const QString &name,
                                const QString &port, Body body)
{
    if (!ok || identity.isEmpty())
        return false;
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    if (!db.transaction())
        return false;
    const qint64 now_visit = visit_for(visit, identity, name, port);
    QSqlQuery q(db);
    if (now_visit != 0 && body(now_visit, q) && db.commit()) {
        visit = now_visit;
        return true;
    }
    db.rollback();
    return false;
}

qint64 HistoryDb::visit_for(qint64 visit, const QString &identity, const QString &name,
                            const QString &port)
{
    QSqlQuery q(QSqlDatabase::database(connection, false));
    q.prepare(QStringLiteral("INSERT INTO controllers (identity, name) VALUES (?, ?) "
                             "ON CONFLICT(identity) DO UPDATE SET name = "
                             "CASE WHEN excluded.name = '' THEN name ELSE excluded.name END"));
    q.addBindValue(identity);
    q.addBindValue(text(name));
    if (!q.exec())
        return 0;
    q.prepare(QStringLiteral("SELECT id FROM controllers WHERE identity = ?"));
    q.addBindValue(identity);
    if (!q.exec() || !q.next())
        return 0;
    const qint64 controller = q.value(0).toLongLong();
    if (visit != 0) {
        // A visit belongs to one controller: a line that now leads to
        // another one starts a new visit.
        q.prepare(QStringLiteral("SELECT controller FROM visits WHERE id = ?"));
        q.addBindValue(visit);
        if (q.exec() && q.next() && q.value(0).toLongLong() == controller)
            return visit;
    }
    q.prepare(QStringLiteral("INSERT INTO visits (controller, started, port) VALUES (?, ?, ?)"));
    q.addBindValue(controller);
    q.addBindValue(stamp(QDateTime::currentDateTime()));
    q.addBindValue(text(port));
    return q.exec() ? q.lastInsertId().toLongLong() : 0;
}

bool HistoryDb::record_users(qint64 &visit, const QString &identity, const QString &name,
                             const QString &port, const QStringList &user_lines)
{
    return record_in_visit(visit, identity, name, port, [&](qint64 now_visit, QSqlQuery &q) {
        // A later read in the same visit replaces the earlier one.
        q.prepare(QStringLiteral("DELETE FROM visit_users WHERE visit = ?"));
        q.addBindValue(now_visit);
        if (!q.exec())
            return false;
        q.prepare(QStringLiteral("INSERT INTO visit_users (visit, ord, line) VALUES (?, ?, ?)"));
        int ord = 0;
        for (const QString &line : user_lines) {
            q.bindValue(0, now_visit);
            q.bindValue(1, ord++);
            q.bindValue(2, line.trimmed());
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
    return record_in_visit(visit, identity, name, port, [&](qint64 now_visit, QSqlQuery &q) {
        q.prepare(QStringLiteral(
            "INSERT OR REPLACE INTO visit_params (visit, numero, valor) VALUES (?, ?, ?)"));
        for (int n = 0; n < values.size(); ++n) {
            q.bindValue(0, now_visit);
            q.bindValue(1, n);
            q.bindValue(2, text(values.at(n)));
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
    const bool done =
        record_in_visit(visit, identity, name, port, [&](qint64 now_visit, QSqlQuery &q) {
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
    q.prepare(QStringLiteral(
        "SELECT v.id, v.started, v.port, v.users_at, v.params_at, v.log_at, v.new_events, "
        "(SELECT count(*) FROM visit_users u WHERE u.visit = v.id) "
        "FROM visits v JOIN controllers c ON c.id = v.controller "
        "WHERE c.identity = ? ORDER BY v.id DESC"));
    q.addBindValue(identity);
    if (!q.exec())
        return list;
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

QStringList HistoryDb::archive_part(const QString &identity, qint64 &after, int limit) const
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
    return lines;
}

qint64 HistoryDb::archive_size(const QString &identity) const
{
    QSqlQuery q(QSqlDatabase::database(connection, false));
    q.prepare(QStringLiteral("SELECT count(*) FROM events e JOIN controllers c "
                             "ON c.id = e.controller WHERE c.identity = ?"));
    q.addBindValue(identity);
    return ok && q.exec() && q.next() ? q.value(0).toLongLong() : 0;
}
