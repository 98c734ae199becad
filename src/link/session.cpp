#include "session.h"

#include "line.h"
#include "text_util.h"

#include <QDebug>
#include <QEventLoop>
#include <QIODevice>
#include <QLoggingCategory>
#include <QTimer>

#include <algorithm>

// What the exchange under way has collected of its answer. The lines are
// taken in as they arrive, so that its wait is woken only when it must look
// again, not for every line of a long answer.
struct Session::Collecting
{
    enum Stage { settling, answering, pausing };

    Collecting(int awaited, const Counted &counts, const QString &text)
        : expected(awaited), counted(counts), label(text)
    { }

    const int expected;
    const Counted &counted;
    const QString &label;
    Stage stage = settling;
    Reply reply;
    // The lines that count towards `expected`, and the progress last shown.
    int n = 0;
    int shown_percent = -1;
};

Session::Session(QObject *parent)
    : QObject(parent), deadline(new QTimer(this)), batch(new QTimer(this))
{
    batch->setSingleShot(true);
    connect(batch, &QTimer::timeout, this, [this] {
        if (line)
            line->hold_reads(false);
        if (!collecting)
            read_unasked();
        else if (collect())
            wake();
    });
    setObjectName(QStringLiteral("session"));
    deadline->setSingleShot(true);
    // A controller's 3 s are 3 s: a coarse timer may be late by a twentieth.
    deadline->setTimerType(Qt::PreciseTimer);
    connect(deadline, &QTimer::timeout, this, &Session::wake);
}

Session::~Session()
{
    // An exchange waiting on the stack returns without touching the session.
    if (waiting)
        waiting->quit();
}

bool Session::open(const QString &port)
{
    // A second connect leaves the open line as it is.
    if (is_open())
        return true;
    // The same port keeps its line, so that whoever looks at the line sees
    // one device from one connection to the next.
    if (!line || port != port_name) {
        port_name = port;
        line = make_line(port, timings);
        connect(line->device(), &QIODevice::readyRead, this, [this] {
            if (!collecting) {
                read_unasked();
                return;
            }
            // Bytes of a line still on its way are traffic too. The lines are
            // taken in here; at the line's pace they come one every few
            // milliseconds, and waking the exchange for each would cost a
            // good share of a core. The lines of a long answer are taken
            // in a few at a time, so that they are decoded and shown once
            // for the lot.
            last_rx.start();
            if (streaming()) {
                if (!batch->isActive()) {
                    line->hold_reads(true);
                    batch->start(timings.batch_ms);
                }
                return;
            }
            if (collect())
                wake();
        });
        connect(line.get(), &Line::lost, this, &Session::lose);
        connect(line.get(), &Line::note, this, &Session::note);
    }
    qDebug() << "tratando de abrir puerto : " << port;
    if (!line->open()) {
        open_failure = line->why();
        qDebug() << "Error de conexion : " << open_failure;
        emit connected(false);
        return false;
    }
    open_failure.clear();
    partial_line.clear();
    last_rx.invalidate();
    typed_out.invalidate();
    qDebug() << "Conectado :)";
    emit connected(true);
    return true;
}

void Session::close()
{
    if (line)
        line->close();
    wake();
    emit connected(false);
}

bool Session::is_open() const
{
    return line && line->is_open();
}

QIODevice *Session::device() const
{
    return line ? line->device() : nullptr;
}

QString Session::description() const
{
    return is_open() ? line->description() : QString();
}

void Session::lose(const QString &why)
{
    emit connected(false);
    emit line_lost(why);
    wake();
}

void Session::wake()
{
    if (waiting)
        waiting->quit();
}

bool Session::streaming() const
{
    // The last lines of an answer are taken in as they come, so that the
    // answer ends when its last line is in.
    constexpr int as_they_come = 16;
    return collecting && collecting->stage == Collecting::answering && collecting->n > 0
        && collecting->expected - collecting->n > as_they_come;
}

void Session::stop()
{
    stop_asked = true;
    qDebug() << "Deteniendo operacion";
    wake();
}

void Session::heard()
{
    last_rx.start();
    // Whatever a typed command brought back has begun to arrive.
    typed_out.invalidate();
}

bool Session::collect()
{
    Collecting &c = *collecting;
    const bool typed_waited = typed_out.isValid();
    const bool answer_begun = !c.reply.lines.isEmpty();
    // Formatting every line of a listing for a log nobody reads costs more
    // than the line itself.
    const bool logged = QLoggingCategory::defaultCategory()->isDebugEnabled();
    QIODevice *device = line->device();
    // Taken in before they are shown, and shown at once: a listener that
    // turns the event loop may have the next lines collected meanwhile.
    QByteArray shown;
    while (line->is_open() && device->canReadLine()) {
        const QByteArray raw = device->readLine();
        heard();
        shown += raw;
        if (c.stage == Collecting::settling)
            continue;
        const QString text = decode_line(raw);
        resps << text;
        c.reply.lines << text;
        if (c.stage == Collecting::answering && c.counted.counts(text))
            ++c.n;
        if (logged)
            qDebug() << "EX resps size " << resps.size() << raw;
    }
    if (!shown.isEmpty())
        emit line_shown(shown);
    // A typed line's answer that began lets the command go sooner.
    if (c.stage != Collecting::answering)
        return c.stage == Collecting::settling && typed_waited && !typed_out.isValid();
    if (c.n > 0 && c.n < c.expected && progress_shown) {
        const int p = int(qint64(c.n) * 100 / c.expected);
        if (p != c.shown_percent) {
            c.shown_percent = p;
            emit progress(p,
                          c.label + QStringLiteral(" : ") + QString::number(p) + QLatin1Char('%'));
        }
    }
    // The silence allowed after a first line may be shorter than the wait
    // for it.
    return (!answer_begun && !c.reply.lines.isEmpty()) || (c.n > 0 && c.n >= c.expected);
}

void Session::read_unasked()
{
    if (!is_open())
        return;
    QIODevice *device = line->device();
    while (device->canReadLine()) {
        const QByteArray raw = device->readLine();
        heard();
        // Between two commands of an operation the lines belong to no
        // answer; they are shown and kept out of the next command's lines.
        if (!in_operation)
            resps << decode_line(raw);
        emit line_shown(raw);
    }
    if (device->bytesAvailable() > 0)
        last_rx.start();
}

void Session::type_line(const QString &typed)
{
    // Sent now, it would reach the controller between a command and its
    // answer, and its own answer would be taken for the command's.
    if (exchanging) {
        held << typed;
        emit line_held(typed);
        qDebug() << "En espera : " << typed;
        return;
    }
    send_typed(typed);
}

void Session::send_typed(const QString &typed)
{
    if (!is_open()) {
        emit note(QStringLiteral("No se envió \"%1\": el puerto está cerrado").arg(typed));
        return;
    }
    const QString wire = typed + QStringLiteral("\r\n");
    line->device()->write(wire.toLocal8Bit());
    emit command_sent(typed);
    typed_out.start();
    qDebug() << "Enviando : " << wire;
}

void Session::send_held_lines()
{
    const QStringList lines = held;
    held.clear();
    for (const QString &typed : lines)
        send_typed(typed);
}

std::optional<int> Session::count_in(const Reply &reply, const QString &command)
{
    if (!reply.line_usable() || reply.lines.isEmpty())
        return std::nullopt;
    const std::optional<int> count = read_count(reply.lines);
    if (!count) {
        const QString text = QStringLiteral("Respuesta inesperada del controlador a ") + command;
        emit note(text);
        emit reported(text);
    }
    return count;
}

Reply Session::exchange(QString command, int expected, int timeout_s, const QString &label,
                        const Counted &counted)
{
    command += QLatin1Char('\n');
    if (timeout_s == 0)
        timeout_s = 1;

    was_sent = false;
    if (!is_open()) {
        emit command_sent(command);
        emit port_closed();
        return Reply();
    }

    // One wait in three stages: the command goes out once the line has been
    // quiet (what still arrives belongs to an earlier answer, or to a line
    // the user typed), then the answer is collected, then the controller
    // gets its pause, whose late lines still belong to this answer. Between
    // two looks the session sleeps in an event loop until the next deadline
    // comes, the answer is complete, the user stops or the line goes.
    Collecting c(expected, counted, label);
    Reply &reply = c.reply;
    Collecting *const outer_collecting = collecting;
    collecting = &c;
    exchanging = true;
    const QPointer<Session> alive(this);
    QEventLoop loop;
    QEventLoop *const outer = waiting;
    waiting = &loop;
    QElapsedTimer in_stage;
    in_stage.start();
    // When the deadline timer fires, by `clock`.
    QElapsedTimer clock;
    clock.start();
    qint64 due = -1;
    qint64 partial = -1;
    // A busy controller takes a while to start answering; the silence
    // allowed between the lines of a long answer is the caller's time-out.
    // A command that awaits no answer keeps its own time, so that a run of
    // them is not slowed down.
    const qint64 silence_ms = qint64(timeout_s) * timings.second_ms;
    const qint64 first_ms =
        expected > 0 ? qMax<qint64>(silence_ms, timings.first_line_ms) : silence_ms;
    QIODevice *device = line->device();
    for (;;) {
        collect();
        if (stop_asked) {
            reply.end = Reply::stopped;
            break;
        }
        if (!line->is_open()) {
            reply.end = Reply::line_lost;
            break;
        }
        // Bytes of a line still on its way count as traffic too.
        if (device->bytesAvailable() != partial) {
            partial = device->bytesAvailable();
            if (partial > 0)
                last_rx.start();
        }
        const qint64 quiet = last_rx.isValid() ? last_rx.elapsed() : timings.quiet_ms;
        qint64 wait_ms = 0;
        if (c.stage == Collecting::settling) {
            // A typed command's answer may not have begun yet.
            const qint64 typed_left =
                typed_out.isValid() ? timings.first_line_ms - typed_out.elapsed() : 0;
            const qint64 settle_left = timings.settle_limit_ms - in_stage.elapsed();
            if ((quiet >= timings.quiet_ms && typed_left <= 0) || settle_left <= 0) {
                // The beginning of a line that has been quiet this long will
                // not be finished; it must not become the head of the
                // answer's first line.
                if (device->bytesAvailable() > 0) {
                    heard();
                    emit line_shown(device->readAll());
                }
                typed_out.invalidate();
                emit command_sent(command);
                qDebug() << "Ejecutando : " << command;
                resps.clear();
                device->write(command.toLocal8Bit());
                was_sent = reply.sent = true;
                reply.end = Reply::timed_out;
                c.stage = timeout_s < 0 ? Collecting::pausing : Collecting::answering;
                in_stage.start();
                partial = -1;
                continue;
            }
            wait_ms = std::min(settle_left, std::max(timings.quiet_ms - quiet, typed_left));
        } else if (c.stage == Collecting::answering) {
            if (c.n > 0 && c.n >= expected) {
                qDebug() << "Ok : " << c.n << " respuestas";
                reply.end = Reply::answered;
                c.stage = Collecting::pausing;
                in_stage.start();
                continue;
            }
            const qint64 left =
                reply.lines.isEmpty() ? first_ms - in_stage.elapsed() : silence_ms - quiet;
            if (left <= 0) {
                c.stage = Collecting::pausing;
                in_stage.start();
                continue;
            }
            wait_ms = left;
        } else {
            wait_ms = timings.pause_ms - in_stage.elapsed();
            if (wait_ms <= 0)
                break;
        }
        // Each line of a long answer moves the deadline on; the timer is
        // set again only when it would come too late, and otherwise wakes
        // the wait early, which then looks again.
        wait_ms = std::max<qint64>(wait_ms, 1);
        if (!deadline->isActive() || due > clock.elapsed() + wait_ms) {
            deadline->start(int(wait_ms));
            due = clock.elapsed() + wait_ms;
        }
        loop.exec();
        // Deleted while it waited: nothing of it may be touched.
        if (!alive)
            throw SessionGone{};
    }
    deadline->stop();
    waiting = outer;
    collecting = outer_collecting;
    exchanging = outer_collecting != nullptr;
    // An exchange that waited around this one looks again, and sets its own
    // deadline.
    wake();
    if (reply.sent && reply.lines.isEmpty()) {
        qDebug() << "ERROR : sin respuesta";
        if (expected > 0 && reply.end == Reply::timed_out)
            emit reported(QStringLiteral("Sin respuesta del controlador"));
    }
    if (progress_shown)
        emit progress(0, QString());
    send_held_lines();
    return reply;
}
