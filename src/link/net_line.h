#ifndef NET_LINE_H
#define NET_LINE_H

#include "line.h"
#include "net_text.h"
#include "telnet_codec.h"

#include <functional>

class QEventLoop;
class QTcpSocket;
class TelnetDevice;

// A controller whose serial port is served on the network by a serial
// device server (ser2net and the like): "tcp://HOST:PORT" is the port's raw
// byte stream, "rfc2217://HOST:PORT" the same in Telnet, where the tool
// also asks the server for 115200 8N1 without flow control. The session
// reads and writes it as it does a local port: the socket itself, or for
// Telnet a device that holds what was decoded.
//
// Opening waits, in an event loop of its own, at most connect_ms for the
// connection and then negotiation_ms for the server's Telnet answer; a
// server that gives none is used as a raw byte stream, and a note says so.
class NetLine : public Line
{
    Q_OBJECT

public:
    NetLine(const QString &address, const SessionTimings &timings, QObject *parent = nullptr);
    ~NetLine() override;

    bool open() override;
    void close() override;
    bool is_open() const override { return up; }
    QIODevice *device() override;
    QString why() const override { return reason; }
    QString description() const override;

private:
    // One connection and its negotiation within `ms`.
    bool attempt(int ms);
    bool connect_to_server(int ms);
    void negotiate();
    // Turns the event loop until `done` or `ms` have passed; woken by the
    // socket.
    bool wait_until(const std::function<bool()> &done, int ms);
    void arrived();
    void send(const QByteArray &data);
    void take(const QVector<TelnetEvent> &events);
    void socket_failed();
    void socket_closed();
    void drop(const QString &why);
    // What the server set, as "115200 8N1"; empty until it said all of it.
    QString server_format() const;

    QString given;
    NetAddress address;
    int connect_ms = 5000;
    int negotiation_ms = 2000;
    QTcpSocket *socket = nullptr;
    TelnetDevice *telnet = nullptr;
    TelnetCodec codec;
    QEventLoop *waiting = nullptr;
    QString reason;
    bool up = false;
    bool failed = false;
    // The server closed the connection before it was in use.
    bool closed_at_open = false;
    static constexpr int retry_ms = 250;
    // The server gave no Telnet answer: its bytes pass as they are.
    bool raw_stream = false;
    bool accepted = false;
    bool refused = false;
    // What the server acknowledged of each setting; -1 until it did (the
    // rate, the data bits, the parity, the stop bits, the flow control).
    qint64 acked[5] = {-1, -1, -1, -1, -1};
};

#endif
