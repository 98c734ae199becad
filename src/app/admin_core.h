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

    // The history file named by DORVAK_HISTORY or the user's data folder;
    // its state once opened: whether there is one and why not.
    void open_history(const QString &path);
    HistoryDb *history() const { return history_db.get(); }
    std::shared_ptr<HistoryDb> shared_history() const { return history_db; }
    // Said once when the history cannot be used; the tool carries on without.
    QString history_state() const { return history_text; }

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
    // Whether `held` is the connected controller's: both identities known
    // and the same.
    bool held_here() const;
    // Reads the parameters when the connected controller's identity is not
    // known yet; false when it stays unknown.
    bool know_identity();

    // Each complete read recorded in the history for the connected
    // controller; its parameters are read first when its identity is not
    // known yet. A read that cannot be recorded says so in the console.
    void record_users(const QStringList &lines);
    void record_log(const QStringList &lines);

signals:
    // A complete parameter read arrived: the form shows it.
    void params_arrived(const QVector<QString> &values);
    // The history was switched off because it failed; `why` says so.
    void history_lost(const QString &why);
    // The controller's archive grew.
    void archive_changed();

private:
    bool learn_identity();
    void history_failed();

    std::shared_ptr<HistoryDb> history_db;
    QString history_text;
    QVector<QString> values;
    // The visit the open line's reads belong to.
    qint64 visit = 0;
};

#endif
