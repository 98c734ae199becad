#include "line.h"

#include "net_line.h"
#include "serial_text.h"
#include "serial_wakeups.h"

#include <QSerialPort>

SerialLine::SerialLine(const QString &port_name, QObject *parent)
    : Line(parent), port(new QSerialPort(this)), name(port_name)
{
    port->setObjectName(QStringLiteral("serial"));
    // A long answer wakes the reader by groups of bytes, not a dozen at a
    // time.
    new SerialWakeups(port);
    connect(port, &QSerialPort::errorOccurred, this, &SerialLine::port_error);
}

SerialLine::~SerialLine()
{
    // Closed without a word: the owner is going away, not the line.
    port->blockSignals(true);
}

bool SerialLine::open()
{
    if (port->isOpen())
        return true;
    port->setPortName(name);
    if (!port->open(QIODevice::ReadWrite)) {
        reason = serial_error_text(port->error(), port->errorString());
        port->close();
        return false;
    }
    port->setBaudRate(QSerialPort::Baud115200);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    hold_reads(false);
    reason.clear();
    return true;
}

void SerialLine::close()
{
    port->close();
}

bool SerialLine::is_open() const
{
    return port->isOpen();
}

QIODevice *SerialLine::device()
{
    return port;
}

QString SerialLine::description() const
{
    return connected_text(name);
}

void SerialLine::hold_reads(bool held)
{
    // A read buffer that is full stops the port from reading the system's:
    // the bytes wait there, without waking anyone, until the buffer is
    // read; an unbounded one reads again at once.
    port->setReadBufferSize(held ? qMax<qint64>(1, port->bytesAvailable()) : 0);
}

void SerialLine::port_error()
{
    const QSerialPort::SerialPortError error = port->error();
    // A pulled adapter reports a resource error. A line whose far end went
    // away (a virtual port, some USB adapters) reports instead an endless
    // stream of read errors while the port stays open; both mean the line
    // is gone.
    if (error != QSerialPort::ResourceError && !(error == QSerialPort::ReadError && port->isOpen()))
        return;
    if (!port->isOpen() && error != QSerialPort::ResourceError)
        return;
    reason = serial_error_text(error, port->errorString());
    const bool was_open = port->isOpen();
    // Closed before anyone is told, so that a message box's event loop does
    // not keep receiving the port's errors.
    port->close();
    if (was_open)
        emit lost(reason);
}

std::unique_ptr<Line> make_line(const QString &port, const SessionTimings &timings)
{
    if (is_net_address(port))
        return std::make_unique<NetLine>(port, timings);
    return std::make_unique<SerialLine>(port);
}
