#include "pty_pair.h"

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

void PtyPair::close_master()
{
    if (master_fd >= 0)
        ::close(master_fd);
    master_fd = -1;
}
