#ifndef NET_TEXT_H
#define NET_TEXT_H

#include <QAbstractSocket>
#include <QString>

// A serial device server's port as the user names it: "tcp://HOST:PORT"
// for the raw byte stream of the remote serial port, "rfc2217://HOST:PORT"
// for Telnet with the COM port control option. An IPv6 address goes
// between brackets.
struct NetAddress
{
    enum Kind { raw, rfc2217 };
    Kind kind = raw;
    // Without brackets.
    QString host;
    quint16 port = 0;
    // Why the text names no server, in Spanish; empty when it does.
    QString error;

    bool ok() const { return error.isEmpty(); }
    // The address written the one way the tool writes it.
    QString text() const;
};

// Whether a port's name is a server's address rather than a device path.
bool is_net_address(const QString &port);
// A user name or password in the address is refused: these servers have
// none, and the tool keeps what it is given.
NetAddress parse_net_address(const QString &text);
// The port's name as it may be kept: without the "user:password@" of an
// address.
QString without_credentials(const QString &port);

// Why a connection could not be made or was lost, in the installer's words,
// with the system's text where it says more.
QString net_error_text(QAbstractSocket::SocketError error, const NetAddress &address,
                       const QString &system_text);
// Why the connection was given up after `ms` without an answer.
QString net_timeout_text(const NetAddress &address, int ms);
// "5" or "0,5": a time limit in seconds, as the messages give it.
QString seconds_text(int ms);

// A serial format in the RFC 2217 codes ("115200 8N1"); parity 1 to 5 is
// none, odd, even, mark, space; stop size 3 is one and a half.
QString serial_format_text(quint32 baud, int data_bits, int parity, int stop_size);

#endif
