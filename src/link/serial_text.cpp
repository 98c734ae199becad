#include "serial_text.h"

QString serial_error_text(QSerialPort::SerialPortError error, const QString &system_text)
{
    QString reason;
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        reason = QStringLiteral("el dispositivo no existe (¿está conectado el adaptador?)");
        break;
    case QSerialPort::PermissionError:
        reason = QStringLiteral("sin permiso o ya abierto por otro programa (el usuario debe "
                                "pertenecer al grupo dialout)");
        break;
    case QSerialPort::OpenError:
        reason = QStringLiteral("el puerto ya está abierto");
        break;
    case QSerialPort::ResourceError:
        reason = QStringLiteral("el dispositivo dejó de responder o fue desconectado");
        break;
    case QSerialPort::ReadError:
        reason = QStringLiteral("error de lectura en la línea");
        break;
    case QSerialPort::WriteError:
        reason = QStringLiteral("error de escritura en la línea");
        break;
    case QSerialPort::UnsupportedOperationError:
        reason = QStringLiteral("el dispositivo no admite la configuración de la línea");
        break;
    case QSerialPort::TimeoutError:
        reason = QStringLiteral("el dispositivo no respondió a tiempo");
        break;
    default:
        reason = QStringLiteral("error desconocido");
        break;
    }
    const QString detail = system_text.trimmed();
    if (!detail.isEmpty() && detail != QLatin1String("Unknown error")
        && detail != QLatin1String("No error"))
        reason += QStringLiteral(" (") + detail + QLatin1Char(')');
    return reason;
}

QString connected_text(const QString &port)
{
    return QStringLiteral("Conectado a %1, 115200 8N1").arg(port);
}
