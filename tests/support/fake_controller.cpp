#include "fake_controller.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

FakeController::FakeController(QObject *parent) : QObject(parent)
{
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        master = slave = -1;
        return;
    }
    // Raw, as a serial line: no echo, no line editing, no CR LF mapping.
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    path = QString::fromLocal8Bit(name);
    notifier = new QSocketNotifier(master, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &FakeController::read_input);
    pacer = new QTimer(this);
    pacer->setInterval(10);
    connect(pacer, &QTimer::timeout, this, &FakeController::write_paced);
}

FakeController::~FakeController()
{
    hang_up();
    if (slave >= 0)
        ::close(slave);
}

void FakeController::on(const QByteArray &command, const QByteArray &bytes, int delay_ms)
{
    script.insert(command, Reply{bytes, delay_ms});
}

void FakeController::send(const QByteArray &bytes)
{
    qint64 done = 0;
    while (master >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (errno == EAGAIN || errno == EINTR) {
            pollfd p{master, POLLOUT, 0};
            poll(&p, 1, 50);
        } else {
            break;
        }
    }
}

void FakeController::hang_up()
{
    if (notifier)
        notifier->setEnabled(false);
    if (pacer)
        pacer->stop();
    if (master >= 0)
        ::close(master);
    master = -1;
}

void FakeController::read_input()
{
    char buf[4096];
    const ssize_t n = ::read(master, buf, sizeof buf);
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
        send(bytes);
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
    send(outgoing.left(chunk));
    outgoing.remove(0, chunk);
    if (outgoing.isEmpty())
        pacer->stop();
}
