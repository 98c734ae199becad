// The command exchange: one command line out, its answer lines back into
// resps, with the window kept alive while the controller answers.
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
    console->appendPlainText(text);
    report(text);
    // A stop was the user's own doing, and a lost line has had its message.
    if (!stopping && !losing_line)
        QMessageBox::warning(this, QStringLiteral("Error"), text);
}

void DORVAK_Admin::show_stray_line(const QByteArray &raw)
{
    last_rx.start();
    console->putData(raw);
}

bool DORVAK_Admin::settle_line(int quiet, int limit)
{
    const QPointer<DORVAK_Admin> alive(this);
    QElapsedTimer waited;
    waited.start();
    qint64 partial = -1;
    for (;;) {
        turn_events(alive);
        if (stopping || !serial->isOpen())
            return false;
        while (serial->canReadLine())
            show_stray_line(serial->readLine());
        // Bytes of a line still on its way count as traffic too.
        if (serial->bytesAvailable() != partial) {
            partial = serial->bytesAvailable();
            if (partial > 0)
                last_rx.start();
        }
        if (!last_rx.isValid() || last_rx.elapsed() >= quiet || waited.elapsed() >= limit)
            break;
        QThread::usleep(1000);
    }
    // The beginning of a line that has been quiet this long will not be
    // finished; it must not become the head of the next answer's first line.
    if (serial->bytesAvailable() > 0)
        show_stray_line(serial->readAll());
    return true;
}

void DORVAK_Admin::turn_event_loop()
{
    turn_events(QPointer<DORVAK_Admin>(this));
}

void DORVAK_Admin::pause_after_command(int ms)
{
    const QPointer<DORVAK_Admin> alive(this);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms && !stopping) {
        turn_events(alive);
        // Late lines of the answer are shown, not added to resps: the
        // caller reads resps once the exchange has returned.
        while (serial->isOpen() && serial->canReadLine())
            show_stray_line(serial->readLine());
        QThread::usleep(1000);
    }
}

bool DORVAK_Admin::exchange(QString command, int expected, int timeout_s, QString label,
                            const QString &counted)
{
    const QPointer<DORVAK_Admin> alive(this);
    command += QLatin1Char('\n');
    if (timeout_s == 0)
        timeout_s = 1;

    bool result = false;
    sent = false;
    if (!serial->isOpen()) {
        console->appendPlainText(QStringLiteral("--> ") + command);
        show_port_closed();
        return false;
    }

    busy = true;
    if (!settle_line(quiet_ms, settle_limit_ms)) {
        // Stopped, or the line went, before the command could go out.
        busy = false;
        return false;
    }
    console->appendPlainText(QStringLiteral("--> ") + command);
    sent = true;
    qDebug() << "Ejecutando : " << command;
    const QByteArray bytes = command.toLocal8Bit();
    resps.clear();
    serial->write(bytes);

    // The budget counts idle cycles since the last line arrived: the
    // exchange ends when the expected lines are in, or when the controller
    // has been silent for the whole time-out. A budget for the whole answer
    // would run out while a long answer is still arriving at the line's
    // pace.
    const int budget = timeout_s * 1000;
    int cycle = 0;
    int n = 0;
    while (cycle < budget) {
        if (serial->canReadLine()) {
            const QByteArray raw = serial->readLine();
            show_line(raw);
            last_rx.start();
            qDebug() << "EX resps size " << resps.size() << raw;
            if (counted.isEmpty() || resps.last().startsWith(counted))
                ++n;
            cycle = 0;
            continue;
        }
        if (n > 0 && n < expected) {
            if (cycle % 100 == 0)
                qDebug() << "ciclo " << cycle << " Resps : " << n << " respuestas";
            if (show_progress) {
                const int p = n * 100 / expected;
                progress->setValue(p);
                progress->setFormat(label + QStringLiteral(" : ") + QString::number(p)
                                    + QLatin1Char('%'));
            }
        }
        if (n > 0 && n >= expected) {
            qDebug() << "Ok : " << n << " respuestas";
            result = true;
            break;
        }
        turn_events(alive);
        // Nothing more will come: the user stopped, or the line is gone.
        if (stopping || !serial->isOpen())
            break;
        QThread::usleep(1000);
        ++cycle;
    }
    if (resps.isEmpty()) {
        qDebug() << "ERROR : sin respuesta";
        if (expected > 0 && !stopping && serial->isOpen())
            report(QStringLiteral("Sin respuesta del controlador"));
    }

    pause_after_command(pause_ms);
    busy = false;
    if (show_progress) {
        progress->setValue(0);
        progress->setFormat(QString());
    }
    return result;
}
