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
        if (it == script.constEnd()) {
            if (keeps)
                answer(from_database(command));
            continue;
        }
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

void FakeController::keep_database(const QList<QByteArray> &records, const QByteArray &refused,
                                   const QByteArray &identity)
{
    keeps = true;
    equipment = identity;
    refused_name = refused;
    for (const QByteArray &line : records) {
        const QList<QByteArray> f = line.mid(3).trimmed().split(',');
        users << User{f[0].toInt(), f[4].toInt(),      f[1], f[2].mid(1, f[2].size() - 2),
                      f[3],         f.mid(5).join(',')};
    }
}

QByteArray FakeController::params(const QByteArray &identity)
{
    QByteArray all = "## 00 \"Fake\"\n## 01 " + identity + '\n';
    for (int i = 2; i < 16; ++i)
        all += QByteArray("## ") + (i < 10 ? "0" : "") + QByteArray::number(i) + " 0\n";
    return all;
}

QStringList FakeController::database() const
{
    QStringList out;
    for (const User &u : users)
        out << QString("%1/%2/%3/%4").arg(u.id).arg(u.owner).arg(u.name, u.number);
    out.sort();
    return out;
}

QByteArray FakeController::from_database(const QByteArray &command)
{
    const QList<QByteArray> w = command.split(' ');
    const auto line = [](const User &u) {
        return "## " + QByteArray::number(u.id) + ',' + u.code + ",\"" + u.name + "\"," + u.number
            + ',' + QByteArray::number(u.owner) + ',' + u.hours + '\n';
    };
    const int q = command.indexOf('"'), q2 = command.lastIndexOf('"');
    const QList<QByteArray> t = command.mid(q2 + 2).split(' ');
    int at = -1;
    for (int i = 0; i < users.size(); ++i)
        at = users[i].number == (w[0] == "UU" ? t[0] : w.value(1)) ? i : at;
    int next = 1;
    for (const User &u : users)
        next = qMax(next, u.id + 1);
    if (w[0] == "GET_PARS")
        return params(equipment);
    if (w[0] == "TOT_USERS" || w[0] == "NEXT")
        return QByteArray::number(w[0] == "NEXT" ? next : users.size()) + '\n';
    if (w[0] == "LU") {
        QByteArray all;
        for (const User &u : qAsConst(users))
            all += line(u);
        return all;
    }
    if (w[0] == "UD_NUM" || (w[0] == "BU" && at < 0))
        return at < 0 ? "ERROR no existe\n" : line(users[at]);
    if (w[0] == "BU") {
        // What it owns goes with it, an administrator excepted.
        QList<int> gone{users.takeAt(at).id};
        for (int i = 0; i < users.size(); ++i) {
            if (users[i].code != "1" && gone.contains(users[i].owner)) {
                gone << users.takeAt(i).id;
                i = -1;
            }
        }
        return "## OK\n";
    }
    User u{w[1].toInt(), t[1].toInt(),
           w[2],         command.mid(q + 1, q2 - q - 1),
           t[0],         t[2] + ",0,0," + t[3] + ',' + t[4] + ',' + t[5]};
    if (u.name == refused_name)
        return "ERROR nombre\n";
    // The id sent is kept unless another user holds it.
    for (const User &o : qAsConst(users))
        u.id = o.id == u.id && o.number != u.number ? (at < 0 ? next : users[at].id) : u.id;
    u.owner = u.code == "1" ? u.id : u.owner;
    if (at < 0)
        users << u;
    for (User &o : users) // what it owned follows its id
        o.owner = at >= 0 && o.owner == users[at].id && o.code != "1" ? u.id : o.owner;
    if (at >= 0)
        users[at] = u;
    return "## OK\n";
}
