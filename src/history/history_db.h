#ifndef HISTORY_DB_H
#define HISTORY_DB_H

#include <QDateTime>
#include <QList>
#include <QLockFile>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>

class QSqlError;

// One visit to a controller: everything read from it while the line stayed
// open. A read that was not made leaves its part empty (no time).
struct VisitInfo
{
    qint64 id = 0;
    QDateTime started;
    QString port;
    QDateTime users_at;
    int users = 0;
    QDateTime params_at;
    QDateTime log_at;
    // Events this visit's log downloads brought that the archive did not
    // hold yet.
    int new_events = 0;
    // Who made it: empty for the window, "respaldo" for a backup.
    QString origin;
};

// A controller seen at least once: its identity (equipment number) and the
// installation name it gave last.
struct ControllerInfo
{
    QString identity;
    QString name;
};

// The history of every visit: one SQLite file that keeps each complete read
// of a controller (the directory, the parameters) and the controller's
// whole event log, each event once. Every recording is one transaction: it
// is there whole or not at all, and nothing recorded is ever overwritten.
// One copy of the tool uses the file at a time.
class HistoryDb
{
public:
    // The schema this build writes; older files are brought up to it step
    // by step when opened.
    static constexpr int schema_version = 3;

    // Opens (creating it and its folder if need be) the file at `path`,
    // waiting up to `wait_ms` for another copy to let it go. `up_to` stops
    // the schema at an older version, for checking the migration from it.
    explicit HistoryDb(const QString &path, int up_to = schema_version, int wait_ms = 0);
    ~HistoryDb();
    HistoryDb(const HistoryDb &) = delete;
    HistoryDb &operator=(const HistoryDb &) = delete;

    // Where the history lives: DORVAK_HISTORY when set ("off" or "0": no
    // history at all, empty result), else the user's data folder.
    static QString default_path();

    // Whether the file is open and usable; if not, why, in Spanish.
    bool available() const { return ok; }
    QString why() const { return reason; }
    // Whether it was turned away because another copy holds it.
    bool held_elsewhere() const { return held; }
    // Why the last recording or read failed, in Spanish.
    QString error() const { return last_error; }
    // What the visits this copy starts say of who made them.
    void set_origin(const QString &who) { origin = who; }
    QString path() const { return file; }
    // The schema version the file has now.
    int version() const;

    // Recordings: `visit` is the visit the read belongs to, 0 to start a
    // new one (then it is set to the new visit's id). A visit keeps one
    // directory and one set of parameters: the same read again adds
    // nothing, a different one starts a visit of its own. Only whole user
    // records are kept, never the status lines among them. False, with
    // nothing recorded and error() saying why, when the write failed.
    bool record_users(qint64 &visit, const QString &identity, const QString &name,
                      const QString &port, const QStringList &user_lines);
    bool record_params(qint64 &visit, const QString &identity, const QString &name,
                       const QString &port, const QVector<QString> &values);
    // Appends the log lines to the controller's archive; an event the
    // archive holds already is not stored again. `added` gets how many were
    // new.
    bool record_log(qint64 &visit, const QString &identity, const QString &name,
                    const QString &port, const QStringList &log_lines, int &added);

    QList<ControllerInfo> controllers() const;
    // The controller's visits, the latest first.
    QList<VisitInfo> visits(const QString &identity) const;
    // What a visit read; empty when it did not read it.
    QStringList users_of(qint64 visit) const;
    QVector<QString> params_of(qint64 visit) const;
    // The controller's whole archive, oldest first, as the lines came.
    QStringList archive(const QString &identity) const;
    // Up to `limit` events of it that came after the event `after` (0 for
    // the first), oldest first; `after` then names the last one given. A
    // file that cannot be read to the end gives what it could, with
    // `failure` saying why.
    QStringList archive_part(const QString &identity, qint64 &after, int limit,
                             QString *failure = nullptr) const;
    // The controller's last recorded directory and when it was read; empty
    // when none was.
    QStringList latest_users(const QString &identity, QDateTime *at = nullptr) const;
    qint64 archive_size(const QString &identity) const;

private:
    bool migrate(int up_to);
    bool fail(const QString &why);
    // What the visit already holds of a read: nothing, the same, or another.
    enum class Holds { nothing, same, other };
    // Runs `body(visit, query)` in one transaction, within the visit that
    // `visit` names or a new one of the controller; rolls back when it
    // returns false. On success `visit` is the visit recorded into.
    // `holds(visit)` says what the visit holds already of this read: the
    // same leaves it as it is, another one makes a new visit.
    template<typename Holds_fn, typename Body>
    bool record_in_visit(qint64 &visit, const QString &identity, const QString &name,
                         const QString &port, Holds_fn holds, Body body);
    qint64 visit_for(qint64 visit, const QString &identity, const QString &name,
                     const QString &port, const std::function<Holds(qint64)> &holds, bool &same);
    bool failed_with(const QSqlError &error, const QString &what);

    QString file;
    QString connection;
    std::unique_ptr<QLockFile> lock;
    bool ok = false;
    bool held = false;
    QString reason;
    mutable QString last_error;
    QString origin;
    int schema = schema_version;
};

#endif
