#include "pty_pair.h"

#include <QElapsedTimer>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    char name[256] = {};
    if (openpty(&master_fd, &slave_fd, name, nullptr, nullptr) != 0) {
        master_fd = slave_fd = -1;
        return;
    }
    termios raw{};
    tcgetattr(slave_fd, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave_fd, TCSANOW, &raw);
    fcntl(master_fd, F_SETFL, fcntl(master_fd, F_GETFL) | O_NONBLOCK);
    path = QString::fromLocal8Bit(name);
}

PtyPair::~PtyPair()
{
    close_master();
    if (slave_fd >= 0)
        ::close(slave_fd);
}

void PtyPair::write(const QByteArray &bytes)
{
    qint64 done = 0;
    while (master_fd >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(master_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (errno == EAGAIN || errno == EINTR) {
            pollfd p{master_fd, POLLOUT, 0};
            poll(&p, 1, 50);
        } else {
            break;
        }
    }
}

QByteArray PtyPair::read(int timeout_ms, const QByteArray &until)
{
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while (master_fd >= 0 && clock.elapsed() < timeout_ms) {
        pollfd p{master_fd, POLLIN, 0};
        if (poll(&p, 1, 10) > 0 && (p.revents & POLLIN)) {
            char buf[4096];
            const ssize_t n = ::read(master_fd, buf, sizeof buf);
            if (n > 0)
                got.append(buf, int(n));
        }
        if (!until.isEmpty() && got.contains(until))
            break;
    }
    return got;
}

void PtyPair::close_master()
{
    if (master_fd >= 0)
        ::close(master_fd);
    master_fd = -1;
}
