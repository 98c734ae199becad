#include "fake_controller.h"

#include <QSocketNotifier>
#include <QTimer>

#include <unistd.h>

FakeController::FakeController(QObject *parent) : QObject(parent)
{
    if (!pty.ok())
        return;
    notifier = new QSocketNotifier(pty.master(), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &FakeController::read_input);
    pacer = new QTimer(this);
    pacer->setInterval(10);
    connect(pacer, &QTimer::timeout, this, &FakeController::write_paced);
}

FakeController::~FakeController() = default;

void FakeController::on(const QByteArray &command, const QByteArray &bytes, int delay_ms)
{
    script.insert(command, Reply{bytes, delay_ms});
}

void FakeController::hang_up()
{
    if (notifier)
        notifier->setEnabled(false);
    pacer->stop();
    pty.close_master();
}

void FakeController::read_input()
{
    char buf[4096];
    const ssize_t n = ::read(pty.master(), buf, sizeof buf);
    if (n <= 0)
        return;
    input.append(buf, int(n));
    int end;
    while ((end = input.indexOf('\n', scanned)) >= 0) {
        const QByteArray command = input.mid(scanned, end - scanned).trimmed();
        scanned = end + 1;
        emit received_line(command);
        const auto it = script.constFind(command);
        if (it == script.constEnd())
            continue;
        const Reply reply = it.value();
        if (reply.delay_ms > 0)
            QTimer::singleShot(reply.delay_ms, this, [this, reply] { answer(reply.bytes); });
        else
            answer(reply.bytes);
    }
}

void FakeController::answer(const QByteArray &bytes)
{
    if (pace <= 0) {
        pty.write(bytes);
        return;
    }
    outgoing += bytes;
    if (!pacer->isActive())
        pacer->start();
}

void FakeController::write_paced()
{
    // One tick every 10 ms carries a hundredth of a second's worth of bytes.
    const int chunk = qMax(1, pace / 100);
    pty.write(outgoing.left(chunk));
    outgoing.remove(0, chunk);
    if (outgoing.isEmpty())
        pacer->stop();
}
