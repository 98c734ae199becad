#ifndef SERIAL_TEXT_H
#define SERIAL_TEXT_H

#include <QSerialPort>
#include <QString>

// Why a port could not be opened or stopped working, in the installer's
// words. The port's own error string is added when it says more than Qt's
// "Unknown error".
QString serial_error_text(QSerialPort::SerialPortError error, const QString &system_text);

// "Conectado a /dev/ttyUSB0, 115200 8N1".
QString connected_text(const QString &port);

#endif
