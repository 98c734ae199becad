#include "net_line.h"

#include "session.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cstring>

#ifdef Q_OS_LINUX
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

// The serial port's bytes out of a Telnet connection, read as the session
// reads a port: whole lines, what is there, and its signal when more came.
class TelnetDevice : public QIODevice
{
public:
    TelnetDevice(std::function<void(const QByteArray &)> to_server, QObject *parent)
        : QIODevice(parent), send(std::move(to_server))
    {
        setObjectName(QStringLiteral("telnet"));
        QIODevice::open(QIODevice::ReadWrite | QIODevice::Unbuffered);
    }

    void take(const QByteArray &data)
    {
        if (data.isEmpty())
            return;
        in += data;
        emit readyRead();
    }
    QByteArray unread() const { return in.mid(int(head)); }
    void clear()
    {
        in.clear();
        head = 0;
    }

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override
    {
        return in.size() - head + QIODevice::bytesAvailable();
    }
    bool canReadLine() const override
    {
        return in.indexOf('\n', head) >= 0 || QIODevice::canReadLine();
    }

protected:
    qint64 readData(char *to, qint64 max) override { return copy_out(to, max); }
    qint64 readLineData(char *to, qint64 max) override
    {
        const qsizetype end = in.indexOf('\n', head);
        return copy_out(to, end < 0 ? max : std::min<qint64>(max, end - head + 1));
    }
    qint64 writeData(const char *from, qint64 size) override
    {
        send(QByteArray(from, int(size)));
        return size;
    }

private:
    qint64 copy_out(char *to, qint64 max)
    {
        const qint64 n = std::min<qint64>(max, in.size() - head);
        if (n <= 0)
            return 0;
        std::memcpy(to, in.constData() + head, size_t(n));
        head += qsizetype(n);
        // What was read goes once it is most of the buffer, so that a long
        // answer read line by line is not moved for every line.
        if (head == in.size())
            clear();
        else if (head > 65536 && head * 2 > in.size()) {
            in.remove(0, head);
            head = 0;
        }
        return n;
    }

    std::function<void(const QByteArray &)> send;
    QByteArray in;
    qsizetype head = 0;
};

NetLine::NetLine(const QString &text, const SessionTimings &timings, QObject *parent)
    : Line(parent),
      given(text),
      address(parse_net_address(text)),
      connect_ms(timings.connect_ms),
      negotiation_ms(timings.negotiation_ms),
      socket(new QTcpSocket(this))
{
    socket->setObjectName(QStringLiteral("net"));
    if (address.kind == NetAddress::rfc2217) {
        telnet = new TelnetDevice([this](const QByteArray &data) { send(data); }, this);
        connect(socket, &QIODevice::readyRead, this, &NetLine::arrived);
    }
    connect(socket, &QAbstractSocket::errorOccurred, this, &NetLine::socket_failed);
    connect(socket, &QAbstractSocket::disconnected, this, &NetLine::socket_closed);
}

NetLine::~NetLine()
{
    // Closed without a word: the owner is going away, not the line.
    socket->blockSignals(true);
    if (waiting)
        waiting->quit();
}

QIODevice *NetLine::device()
{
    return telnet ? static_cast<QIODevice *>(telnet) : socket;
}

bool NetLine::open()
{
    if (up)
        return true;
    if (waiting) {
        reason = QStringLiteral("la conexión ya se está estableciendo");
        return false;
    }
    if (!address.ok()) {
        reason = address.error;
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (attempt(int(connect_ms - clock.elapsed()))) {
            reason.clear();
            up = true;
            return true;
        }
        // A server still letting go of its device after the last connection
        // closes a new one at once: it is asked again while the time lasts.
        if (!closed_at_open || clock.elapsed() + retry_ms >= connect_ms)
            return false;
        wait_until([] { return false; }, retry_ms);
    }
}

bool NetLine::attempt(int ms)
{
    closed_at_open = false;
    if (!connect_to_server(ms))
        return false;
    if (telnet)
        negotiate();
    if (!failed && socket->state() == QAbstractSocket::ConnectedState)
        return true;
    // The server went while it negotiated, usually saying why.
    closed_at_open = socket->error() == QAbstractSocket::RemoteHostClosedError;
    if (reason.isEmpty())
        reason = net_error_text(QAbstractSocket::RemoteHostClosedError, address, QString());
    const QString said = telnet ? QString::fromLatin1(telnet->unread()).trimmed() : QString();
    if (!said.isEmpty())
        reason += QStringLiteral(" («%1»)").arg(said.left(80));
    socket->abort();
    return false;
}

bool NetLine::connect_to_server(int ms)
{
    socket->abort();
    reason.clear();
    failed = false;
    raw_stream = accepted = refused = false;
    std::fill(std::begin(acked), std::end(acked), -1);
    if (telnet)
        telnet->clear();
    socket->connectToHost(address.host, address.port);
    const bool connected = wait_until(
        [this] { return failed || socket->state() == QAbstractSocket::ConnectedState; }, ms);
    if (!connected || failed) {
        if (!failed)
            reason = net_timeout_text(address, connect_ms);
        socket->abort();
        return false;
    }
    // Commands are a few bytes each: they go at once rather than in a
    // bigger packet later.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
#ifdef Q_OS_LINUX
    // A network that went away silently (a cable, a router) is noticed in
    // about half a minute rather than the system's two hours.
    const int fd = int(socket->socketDescriptor());
    const int idle_s = 10, interval_s = 5, probes = 3, unacked_ms = 20000;
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle_s, sizeof idle_s);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval_s, sizeof interval_s);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
    setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &unacked_ms, sizeof unacked_ms);
#endif
    return true;
}

void NetLine::negotiate()
{
    socket->write(codec.start());
    const auto settled = [this] {
        return failed || refused || socket->state() != QAbstractSocket::ConnectedState
            || (accepted && std::none_of(std::begin(acked), std::end(acked), [](qint64 v) {
                    return v < 0;
                }));
    };
    wait_until(settled, negotiation_ms);
    if (failed || socket->state() != QAbstractSocket::ConnectedState)
        return;
    const QString wanted = serial_format_text(TelnetCodec::baud, TelnetCodec::data_bits,
                                              TelnetCodec::no_parity, TelnetCodec::one_stop_bit);
    if (!codec.heard_telnet()) {
        raw_stream = true;
        // The offers went to the controller as a line of its own; ended here,
        // they do not become the head of the first command.
        socket->write("\r\n");
        emit note(QStringLiteral("El servidor no respondió a la negociación Telnet en %1 s: la "
                                 "línea sigue como flujo directo de bytes, con la velocidad y el "
                                 "formato que el servidor tenga configurados")
                      .arg(seconds_text(negotiation_ms)));
    } else if (!accepted) {
        emit note(QStringLiteral("El servidor no acepta el control del puerto serie (RFC 2217): "
                                 "la línea queda con la velocidad y el formato de su "
                                 "configuración, no necesariamente %1")
                      .arg(wanted));
    } else if (server_format().isEmpty()) {
        emit note(QStringLiteral("El servidor no confirmó %1 en %2 s")
                      .arg(wanted, seconds_text(negotiation_ms)));
    } else if (server_format() != wanted || acked[4] != TelnetCodec::no_flow_control) {
        emit note(QStringLiteral("Se pidió %1 sin control de flujo al servidor, y este usa %2%3")
                      .arg(wanted, server_format(),
                           acked[4] != TelnetCodec::no_flow_control
                               ? QStringLiteral(" con control de flujo")
                               : QString()));
    } else {
        emit note(QStringLiteral("El servidor confirmó %1 sin control de flujo").arg(wanted));
    }
}

bool NetLine::wait_until(const std::function<bool()> &done, int ms)
{
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    const auto wake = [&loop] { loop.quit(); };
    connect(&timer, &QTimer::timeout, &loop, wake);
    connect(socket, &QAbstractSocket::connected, &loop, wake);
    connect(socket, &QAbstractSocket::disconnected, &loop, wake);
    connect(socket, &QIODevice::readyRead, &loop, wake);
    connect(socket, &QAbstractSocket::errorOccurred, &loop, wake);
    QElapsedTimer clock;
    clock.start();
    waiting = &loop;
    while (!done()) {
        const qint64 left = ms - clock.elapsed();
        if (left <= 0)
            break;
        timer.start(int(left));
        loop.exec();
    }
    waiting = nullptr;
    return done();
}

void NetLine::arrived()
{
    const QByteArray bytes = socket->readAll();
    if (raw_stream) {
        telnet->take(bytes);
        return;
    }
    const TelnetDecoded decoded = codec.decode(bytes);
    if (!decoded.replies.isEmpty())
        socket->write(decoded.replies);
    take(decoded.events);
    telnet->take(decoded.data);
}

void NetLine::send(const QByteArray &data)
{
    if (socket->state() == QAbstractSocket::ConnectedState)
        socket->write(raw_stream ? data : codec.encode(data));
}

void NetLine::take(const QVector<TelnetEvent> &events)
{
    for (const TelnetEvent &e : events) {
        if (e.kind == TelnetEvent::com_port_accepted)
            accepted = true;
        else if (e.kind == TelnetEvent::com_port_refused)
            refused = true;
        else
            acked[e.kind - TelnetEvent::baud_rate] = e.value;
    }
}

QString NetLine::server_format() const
{
    if (std::any_of(std::begin(acked), std::begin(acked) + 4, [](qint64 v) { return v < 0; }))
        return QString();
    return serial_format_text(quint32(acked[0]), int(acked[1]), int(acked[2]), int(acked[3]));
}

void NetLine::socket_failed()
{
    const QAbstractSocket::SocketError error = socket->error();
    // Closing by the far end is told by socket_closed, once.
    if (error == QAbstractSocket::RemoteHostClosedError && up)
        return;
    const QString why = net_error_text(error, address, socket->errorString());
    if (!up) {
        failed = true;
        reason = why;
        return;
    }
    drop(why);
}

void NetLine::socket_closed()
{
    if (up)
        drop(net_error_text(QAbstractSocket::RemoteHostClosedError, address, QString()));
}

void NetLine::drop(const QString &why)
{
    up = false;
    reason = why;
    // Closed before anyone is told, as a lost serial port is.
    socket->blockSignals(true);
    socket->abort();
    socket->blockSignals(false);
    emit lost(why);
}

void NetLine::close()
{
    const bool was_up = up;
    up = false;
    if (was_up)
        socket->flush();
    socket->blockSignals(true);
    socket->abort();
    socket->blockSignals(false);
}

QString NetLine::description() const
{
    const QString head = QStringLiteral("Conectado a ") + address.text();
    if (!telnet)
        return head + QStringLiteral(" (la velocidad y el formato los fija el servidor)");
    if (raw_stream)
        return head
            + QStringLiteral(" (sin Telnet, flujo directo: la velocidad la fija el servidor)");
    if (!accepted)
        return head + QStringLiteral(" (sin control del puerto: la velocidad la fija el servidor)");
    const QString wanted = serial_format_text(TelnetCodec::baud, TelnetCodec::data_bits,
                                              TelnetCodec::no_parity, TelnetCodec::one_stop_bit);
    const QString used = server_format();
    if (!used.isEmpty() && used != wanted)
        return head + QStringLiteral(" (pedido %1, el servidor usa %2)").arg(wanted, used);
    return head + QStringLiteral(" (%1 pedido al servidor)").arg(wanted);
}
