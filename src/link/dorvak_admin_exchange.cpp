// The command exchange: one command line out, its answer lines back into
// resps, with the window kept alive while the controller answers; and the
// lines the user typed meanwhile, held until the answer is over.
#include "dorvak_admin.h"

#include "console.h"

#include <QCoreApplication>
#include <QDebug>
#include <QMessageBox>
#include <QProgressBar>
#include <QThread>

namespace {

// A command goes out once the line has been quiet this long: the controller
// answers one command after the other, so what still arrives belongs to an
// earlier answer. A line that never falls quiet holds the command back at
// most settle_limit_ms (a long listing at the line's pace takes seconds).
constexpr int quiet_ms = 100;
constexpr int settle_limit_ms = 30000;
// The pause the controller gets after each command.
constexpr int pause_ms = 100;
// How long a command that awaits an answer waits for its first line at
// least: a controller busy with its own work takes over a second to start.
constexpr int first_line_ms = 3000;

// One turn of the event loop. An event may delete the window; from then on
// nothing of it may be touched, and the operation unwinds to run_operation.
void turn_events(const QPointer<DORVAK_Admin> &window)
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (!window)
        throw WindowGone{};
}

} // namespace

void DORVAK_Admin::show_port_closed()
{
    QMessageBox::critical(this, QStringLiteral("Error"), QStringLiteral("El puerto está cerrado"));
}

void DORVAK_Admin::show_incomplete(int got, int total, const QString &what)
{
    const QString text =
        QStringLiteral("Descarga incompleta: %1 de %2 %3").arg(got).arg(total).arg(what);
    console->note(text);
    report(text);
    // A stop was the user's own doing, and a lost line has had its message.
    if (!stopping && !losing_line)
        QMessageBox::warning(this, QStringLiteral("Error"), text);
}

void DORVAK_Admin::show_stray_line(const QByteArray &raw)
{
    heard_line();
    console->putData(raw);
}

void DORVAK_Admin::heard_line()
{
    last_rx.start();
    // Whatever a typed command brought back has begun to arrive.
    typed_out.invalidate();
}

std::optional<int> DORVAK_Admin::count_in(const Reply &reply, const QString &command)
{
    if (!reply.line_usable() || reply.lines.isEmpty())
        return std::nullopt;
    const std::optional<int> count = read_count(reply.lines);
    if (!count) {
        const QString text = QStringLiteral("Respuesta inesperada del controlador a ") + command;
        console->note(text);
        report(text);
    }
    return count;
}

void DORVAK_Admin::turn_event_loop()
{
    turn_events(QPointer<DORVAK_Admin>(this));
}

Reply DORVAK_Admin::exchange(QString command, int expected, int timeout_s, QString label,
                             const Counted &counted)
{
    const QPointer<DORVAK_Admin> alive(this);
    command += QLatin1Char('\n');
    if (timeout_s == 0)
        timeout_s = 1;

    Reply reply;
    sent = false;
    if (!serial->isOpen()) {
        console->show_sent(command);
        show_port_closed();
        return reply;
    }

    // One wait in three stages, turning the event loop every millisecond:
    // the command goes out once the line has been quiet (what still arrives
    // belongs to an earlier answer, or to a line the user typed), then the
    // answer is collected, then the controller gets its pause, whose late
    // lines still belong to this answer.
    enum Stage { settling, answering, pausing };
    Stage stage = settling;
    busy = true;
    QElapsedTimer in_stage;
    in_stage.start();
    qint64 partial = -1;
    int cycle = 0;
    int n = 0;
    // A busy controller takes a while to start answering; the silence
    // allowed between the lines of a long answer is the caller's time-out.
    // A command that awaits no answer keeps its own time, so that a run of
    // them is not slowed down.
    const qint64 silence_ms = timeout_s * 1000LL;
    const qint64 first_ms = expected > 0 ? qMax<qint64>(silence_ms, first_line_ms) : silence_ms;
    for (;;) {
        while (serial->isOpen() && serial->canReadLine()) {
            const QByteArray raw = serial->readLine();
            if (stage == settling) {
                show_stray_line(raw);
                continue;
            }
            heard_line();
            show_line(raw);
            reply.lines << resps.last();
            qDebug() << "EX resps size " << resps.size() << raw;
            if (stage == answering && counted.counts(resps.last()))
                ++n;
            cycle = 0;
        }
        if (stopping) {
            reply.end = Reply::stopped;
            break;
        }
        if (!serial->isOpen()) {
            reply.end = Reply::line_lost;
            break;
        }
        // Bytes of a line still on its way count as traffic too.
        if (serial->bytesAvailable() != partial) {
            partial = serial->bytesAvailable();
            if (partial > 0)
                last_rx.start();
        }
        const qint64 quiet = last_rx.isValid() ? last_rx.elapsed() : quiet_ms;
        if (stage == settling) {
            // A typed command's answer may not have begun yet.
            const bool typed_pending = typed_out.isValid() && typed_out.elapsed() < first_line_ms;
            if ((quiet >= quiet_ms && !typed_pending) || in_stage.elapsed() >= settle_limit_ms) {
                // The beginning of a line that has been quiet this long will
                // not be finished; it must not become the head of the
                // answer's first line.
                if (serial->bytesAvailable() > 0)
                    show_stray_line(serial->readAll());
                typed_out.invalidate();
                console->show_sent(command);
                qDebug() << "Ejecutando : " << command;
                resps.clear();
                serial->write(command.toLocal8Bit());
                sent = reply.sent = true;
                reply.end = Reply::timed_out;
                stage = timeout_s < 0 ? pausing : answering;
                in_stage.start();
                partial = -1;
            }
        } else if (stage == answering) {
            if (n > 0 && n >= expected) {
                qDebug() << "Ok : " << n << " respuestas";
                reply.end = Reply::answered;
                stage = pausing;
                in_stage.start();
            } else if (reply.lines.isEmpty() ? in_stage.elapsed() >= first_ms
                                             : quiet >= silence_ms) {
                stage = pausing;
                in_stage.start();
            } else if (n > 0) {
                if (cycle % 100 == 0)
                    qDebug() << "ciclo " << cycle << " Resps : " << n << " respuestas";
                if (show_progress) {
                    const int p = n * 100 / expected;
                    progress->setValue(p);
                    progress->setFormat(label + QStringLiteral(" : ") + QString::number(p)
                                        + QLatin1Char('%'));
                }
            }
        } else if (in_stage.elapsed() >= pause_ms) {
            break;
        }
        turn_events(alive);
        QThread::usleep(1000);
        ++cycle;
    }
    busy = false;
    if (reply.sent && reply.lines.isEmpty()) {
        qDebug() << "ERROR : sin respuesta";
        if (expected > 0 && reply.end == Reply::timed_out)
            report(QStringLiteral("Sin respuesta del controlador"));
    }
    if (show_progress) {
        progress->setValue(0);
        progress->setFormat(QString());
    }
    send_held_lines();
    return reply;
}
