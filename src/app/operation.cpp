#include "operation.h"

#include "admin_core.h"
#include "asker.h"
#include "reply.h"
#include "session.h"

#include <QPointer>
#include <QTimer>

OperationResult OperationResult::from(const Reply &reply, const QString &summary)
{
    switch (reply.end) {
    case Reply::answered:
        return make(done, summary);
    case Reply::stopped:
        return make(stopped, summary);
    case Reply::line_lost:
    case Reply::port_closed:
        return make(line_lost, summary);
    case Reply::timed_out:
        break;
    }
    return make(failed, summary);
}

OperationResult incomplete(AdminCore &core, int got, int total, const QString &what)
{
    const QString text =
        QStringLiteral("Descarga incompleta: %1 de %2 %3").arg(got).arg(total).arg(what);
    emit core.session.note(text);
    const bool stopped = core.session.stopped();
    const bool lost = !core.session.is_open();
    if (!stopped && !lost)
        core.asker.warn(QStringLiteral("Error"), text);
    OperationResult r = OperationResult::make(stopped    ? OperationResult::stopped
                                                  : lost ? OperationResult::line_lost
                                                         : OperationResult::incomplete,
                                              text);
    r.got = got;
    r.total = total;
    return r;
}

OperationResult OperationResult::not_counted(const Reply &reply)
{
    OperationResult r = from(reply);
    if (r.outcome == done)
        r.outcome = failed;
    return r;
}

Operation::Operation(AdminCore &c, QObject *parent) : QObject(parent), core(c) { }

OperationResult Operation::exec()
{
    if (!core.runner.begin()) {
        outcome = OperationResult::make(OperationResult::refused);
        return outcome;
    }
    if (needs_line() && !core.session.is_open()) {
        core.runner.end();
        core.session.refuse_closed();
        outcome = OperationResult::make(OperationResult::refused);
        return outcome;
    }
    const QPointer<Operation> alive(this);
    const OperationResult result = run();
    // The runner outlives every operation: it is given back even when the
    // operation's owner went away while it ran.
    core.runner.end();
    if (!alive)
        return result;
    outcome = result;
    set_percent(100);
    emit finished(outcome);
    return outcome;
}

OperationResult Operation::exec_within()
{
    const QPointer<Operation> alive(this);
    const OperationResult result = run();
    if (alive)
        outcome = result;
    return result;
}

void Operation::start()
{
    QTimer::singleShot(0, this, [this] { exec(); });
}

void Operation::stop()
{
    if (core.runner.running())
        core.runner.stop();
}

void Operation::set_percent(int percent)
{
    if (percent == done_percent)
        return;
    done_percent = percent;
    emit percent_changed(percent);
}

bool Operation::stopped() const
{
    return core.session.stopped();
}

Session &Operation::session() const
{
    return core.session;
}

Asker &Operation::asker() const
{
    return core.asker;
}

OperationRunner::OperationRunner(Session &s, QObject *parent) : QObject(parent), session(s) { }

bool OperationRunner::begin()
{
    if (busy)
        return false;
    busy = true;
    session.clear_stop();
    session.set_operation_running(true);
    emit running_changed(true);
    return true;
}

void OperationRunner::end()
{
    if (!busy)
        return;
    busy = false;
    const bool was_stopped = session.stopped();
    session.clear_stop();
    session.set_operation_running(false);
    session.set_progress_shown(true);
    emit running_changed(false);
    if (was_stopped)
        emit stopped_at_end();
}

void OperationRunner::stop()
{
    if (busy && !session.stopped())
        session.stop();
}

bool OperationRunner::stopping() const
{
    return busy && session.stopped();
}
