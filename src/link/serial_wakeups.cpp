#include "serial_wakeups.h"

#include <QSerialPort>
#include <QTimer>

#ifdef Q_OS_LINUX
#include <termios.h>
#endif

SerialWakeups::SerialWakeups(QSerialPort *serial)
    : QObject(serial), port(serial), fallback(new QTimer(this))
{
    fallback->setSingleShot(true);
    fallback->setTimerType(Qt::PreciseTimer);
    fallback->setInterval(fallback_ms);
    connect(fallback, &QTimer::timeout, this, &SerialWakeups::ungroup);
    connect(port, &QSerialPort::readyRead, this, &SerialWakeups::arrived);
    // The next one to open the terminal finds it as the port left it.
    connect(port, &QSerialPort::aboutToClose, this, [this] {
        fallback->stop();
        if (grouping)
            set_minimum(0);
        grouping = false;
        last_arrival.invalidate();
    });
}

void SerialWakeups::arrived()
{
    if (grouping) {
        fallback->start();
        return;
    }
    // Hand-overs of a group or more (an adapter's packets) are few enough as
    // they come. A single small one is a short answer or the end of one; a
    // second soon after it is a stream.
    if (port->bytesAvailable() >= group_bytes) {
        last_arrival.invalidate();
        return;
    }
    const bool stream = last_arrival.isValid() && last_arrival.elapsed() < fallback_ms;
    last_arrival.start();
    if (!stream || !set_minimum(group_bytes))
        return;
    grouping = true;
    fallback->start();
}

void SerialWakeups::ungroup()
{
    grouping = false;
    last_arrival.invalidate();
    // Whatever is already in is reported at once.
    set_minimum(0);
}

bool SerialWakeups::set_minimum(int bytes)
{
#ifdef Q_OS_LINUX
    termios settings{};
    if (!port->isOpen() || tcgetattr(port->handle(), &settings) != 0)
        return false;
    // Only a raw line without a read time is grouped: there the minimum
    // decides when poll(2) reports it readable, and a read still returns
    // whatever is in.
    if ((settings.c_lflag & ICANON) || settings.c_cc[VTIME] != 0)
        return false;
    settings.c_cc[VMIN] = cc_t(bytes);
    return tcsetattr(port->handle(), TCSANOW, &settings) == 0;
#else
    Q_UNUSED(bytes)
    return false;
#endif
}
