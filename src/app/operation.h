#ifndef OPERATION_H
#define OPERATION_H

#include <QObject>
#include <QString>

class AdminCore;
class Asker;
class Session;
struct Reply;

// How an operation ended, with a one-line summary for the status bar.
struct OperationResult
{
    enum Outcome {
        done,       // everything it had to do, done
        incomplete, // part of it: `got` of `total`
        stopped,    // the user stopped it
        line_lost,  // the line went away under it
        refused,    // it did not start, or the user said no: `summary` says why
        failed,     // the controller answered, but not as it had to
    };
    Outcome outcome = failed;
    QString summary;
    int got = 0;
    int total = 0;

    bool ok() const { return outcome == done; }
    static OperationResult make(Outcome outcome, const QString &summary = QString())
    {
        OperationResult r;
        r.outcome = outcome;
        r.summary = summary;
        return r;
    }
    // What an exchange that did not end as awaited means for the operation.
    static OperationResult from(const Reply &reply, const QString &summary = QString());
    // A count that did not come: the exchange, or the count's reader, has
    // said why.
    static OperationResult not_counted(const Reply &reply);
};

// The one message for a read that did not arrive whole ("Descarga
// incompleta: 79 de 200 usuarios"): in the console, and in a box unless the
// user stopped or the line went (which said so already).
OperationResult incomplete(AdminCore &core, int got, int total, const QString &what);

// One device operation: started, maybe stopped, with its percentage, and one
// result. The exchanges it makes wait in event loops of their own, so the
// window keeps painting and answering while it runs.
class Operation : public QObject
{
    Q_OBJECT

public:
    explicit Operation(AdminCore &core, QObject *parent = nullptr);

    // Runs it to its end through the core's runner: refused while another
    // operation runs, or when it needs the line and the line is closed.
    OperationResult exec();
    // The same as a step of an operation already running, whose runner it
    // uses.
    OperationResult exec_within();
    // The same, starting from the event loop; `finished` gives the result.
    void start();
    // Asks it to stop: the command awaited is abandoned at once, and it ends
    // between two of its steps.
    void stop();
    const OperationResult &result() const { return outcome; }
    int percent() const { return done_percent; }

signals:
    void percent_changed(int percent);
    void finished(const OperationResult &result);

protected:
    // The operation's own work, run once the runner let it start.
    virtual OperationResult run() = 0;
    // Whether it needs the line open from its start; without it, each of
    // its exchanges says the port is closed.
    virtual bool needs_line() const { return true; }
    void set_percent(int percent);
    bool stopped() const;
    Session &session() const;
    Asker &asker() const;

    AdminCore &core;

private:
    OperationResult outcome;
    int done_percent = 0;
};

// One operation at a time. The exchanges turn the event loop while they
// wait, so without this a second operation could start under the first
// one. It also holds the stop request of the one running.
class OperationRunner : public QObject
{
    Q_OBJECT

public:
    explicit OperationRunner(Session &session, QObject *parent = nullptr);

    // Takes the one place; false when an operation holds it.
    bool begin();
    void end();
    bool running() const { return busy; }
    // Asks the running operation to stop; nothing when none runs.
    void stop();
    bool stopping() const;

signals:
    // An operation began or ended: whoever offers operations enables them.
    void running_changed(bool running);
    // An operation that was stopped has ended.
    void stopped_at_end();

private:
    Session &session;
    bool busy = false;
};

#endif
