#include "sim_process.h"

#include <QElapsedTimer>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

SimProcess::SimProcess(const QStringList &args)
{
    QStringList all = args;
    if (!all.contains(QStringLiteral("--baud")))
        all << QStringLiteral("--baud") << QStringLiteral("0");
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(DORVAK_SIM_PATH), all);
    if (!process.waitForStarted(5000))
        return;
    QElapsedTimer clock;
    clock.start();
    while (!process.canReadLine() && clock.elapsed() < 5000)
        process.waitForReadyRead(100);
    device = QString::fromLocal8Bit(process.readLine()).trimmed();
}

SimProcess::~SimProcess()
{
    kill();
}

void SimProcess::kill()
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000))
        process.kill();
    process.waitForFinished(1000);
}

QStringList SimProcess::query(const QString &command, int quiet_ms) const
{
    QStringList lines;
    const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return lines;
    termios raw{};
    tcgetattr(fd, &raw);
    cfmakeraw(&raw);
    tcsetattr(fd, TCSANOW, &raw);
    const QByteArray out = command.toLocal8Bit() + '\n';
    if (::write(fd, out.constData(), size_t(out.size())) != out.size()) {
        ::close(fd);
        return lines;
    }
    QByteArray in;
    QElapsedTimer quiet;
    quiet.start();
    while (quiet.elapsed() < quiet_ms) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 20) > 0 && (p.revents & POLLIN)) {
            char buf[65536];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0) {
                in.append(buf, int(n));
                quiet.restart();
            }
        }
    }
    ::close(fd);
    const QList<QByteArray> parts = in.split('\n');
    for (const QByteArray &part : parts) {
        const QByteArray line = part.endsWith('\r') ? part.left(part.size() - 1) : part;
        if (!line.isEmpty())
            lines << QString::fromUtf8(line);
    }
    return lines;
}
