#ifndef ADMIN_CORE_H
#define ADMIN_CORE_H

#include "directory_plan.h"
#include "operation.h"
#include "session.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

class Asker;
class HistoryDb;

// What the program knows without a window: the session with the
// controller, the runner of its operations, who answers their questions,
// what was read from the open line, and the history of visits.
class AdminCore : public QObject
{
    Q_OBJECT

public:
    explicit AdminCore(Asker &asker, QObject *parent = nullptr);
    ~AdminCore() override;

    Session session;
    OperationRunner runner{session};
    Asker &asker;

    // The history file named by DORVAK_HISTORY or the user's data folder,
    // waiting up to `wait_ms` for another copy that holds it; its state once
    // opened: whether there is one and why not.
    void open_history(const QString &path, int wait_ms = 0);
    HistoryDb *history() const { return history_db.get(); }
    std::shared_ptr<HistoryDb> shared_history() const { return history_db; }
    // Said once when the history cannot be used; the tool carries on without.
    QString history_state() const { return history_text; }
    // Whether it cannot be used because another copy holds it.
    bool history_held() const { return held_elsewhere; }

    // The sixteen values as the last complete parameter read on the open
    // line gave them; empty when there was none on this line.
    const QVector<QString> &params() const { return values; }
    // The connected controller's identity: its equipment number (parameter
    // 01) folded; empty while no read was made on this line.
    QString identity() const;
    // Its installation's name (parameter 00) as the form shows it.
    QString installation() const;
    // A complete parameter read: kept for the open line and recorded.
    void take_params(const QVector<QString> &read);

    // What the controller the directory was last read from holds.
    HeldDirectory held;
    // The ids the directory's new records take.
    IdCounter ids;
    // Whether `held` is the connected controller's: both identities known
    // and the same, read on the same port.
    bool held_here() const;
    // Reads the parameters when the connected controller's identity is not
    // known yet; false when it stays unknown.
    bool know_identity();

    // Each complete read recorded in the history for the connected
    // controller; its parameters are read first when its identity is not
    // known yet. A read that cannot be recorded says so in the console.
    void record_users(const QStringList &lines);
    void record_log(const QStringList &lines);
    // The recordings that failed since the running operation began, with
    // their reasons, in one line; empty when none did.
    QString unrecorded() const { return failures.join(QStringLiteral("; ")); }

signals:
    // A complete parameter read arrived: the form shows it.
    void params_arrived(const QVector<QString> &values);
    // The history was switched off because it failed; `why` says so.
    void history_lost(const QString &why);
    // The controller's archive grew.
    void archive_changed();
    // A recording failed; `text` names it and says why.
    void recording_failed(const QString &text);

private:
    bool learn_identity();
    void history_failed();
    void recording_lost(const QString &what, QString why = QString());

    std::shared_ptr<HistoryDb> history_db;
    QString history_text;
    bool held_elsewhere = false;
    QVector<QString> values;
    // The visit the open line's reads belong to; once a command changed the
    // controller, its parameters are read again before the next recording.
    qint64 visit = 0;
    bool params_stale = false;
    QStringList failures;
};

#endif
