#include "net_text.h"

#include <QUrl>

namespace {

const QString forms = QStringLiteral("tcp://servidor:4001 o rfc2217://servidor:4001");

// Where the authority of "scheme://authority/..." begins and ends.
bool authority_span(const QString &text, int *begin, int *end)
{
    const int mark = int(text.indexOf(QLatin1String("://")));
    if (mark < 0)
        return false;
    *begin = mark + 3;
    const int slash = int(text.indexOf(QLatin1Char('/'), *begin));
    *end = slash < 0 ? int(text.size()) : slash;
    return true;
}

} // namespace

QString NetAddress::text() const
{
    const QString scheme = kind == rfc2217 ? QStringLiteral("rfc2217") : QStringLiteral("tcp");
    const QString shown =
        host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return scheme + QStringLiteral("://") + shown + QLatin1Char(':') + QString::number(port);
}

bool is_net_address(const QString &port)
{
    return port.contains(QLatin1String("://"));
}

NetAddress parse_net_address(const QString &text)
{
    NetAddress a;
    const QString given = text.trimmed();
    int begin = 0, end = 0;
    if (!authority_span(given, &begin, &end)) {
        a.error = QStringLiteral("no es una dirección de servidor (%1)").arg(forms);
        return a;
    }
    const QString scheme = given.left(begin - 3).toLower();
    if (scheme == QLatin1String("rfc2217"))
        a.kind = NetAddress::rfc2217;
    else if (scheme != QLatin1String("tcp")) {
        a.error = QStringLiteral("tipo de dirección desconocido «%1://» (%2)").arg(scheme, forms);
        return a;
    }
    // Looked at before anything else, so that no later message repeats it.
    if (given.mid(begin, end - begin).contains(QLatin1Char('@'))) {
        a.error = QStringLiteral("la dirección lleva usuario o contraseña, que la herramienta no "
                                 "guarda ni envía: estos servidores no tienen autenticación "
                                 "propia (use un túnel SSH)");
        return a;
    }
    const QUrl url(given, QUrl::StrictMode);
    const QString rest = given.mid(end);
    if (!url.isValid() || url.host().isEmpty() || (!rest.isEmpty() && rest != QLatin1String("/"))
        || url.hasQuery() || url.hasFragment()) {
        a.error = QStringLiteral("dirección no válida «%1» (%2; una dirección IPv6 va entre "
                                 "corchetes: tcp://[::1]:4001)")
                      .arg(given, forms);
        return a;
    }
    if (url.port() <= 0) {
        a.error = QStringLiteral("falta el puerto del servidor en «%1» (%2)").arg(given, forms);
        return a;
    }
    a.host = url.host();
    a.port = quint16(url.port());
    return a;
}

QString without_credentials(const QString &port)
{
    int begin = 0, end = 0;
    if (!authority_span(port, &begin, &end))
        return port;
    const int at = int(port.lastIndexOf(QLatin1Char('@'), end - 1));
    if (at < begin)
        return port;
    return port.left(begin) + port.mid(at + 1);
}

QString net_error_text(QAbstractSocket::SocketError error, const NetAddress &address,
                       const QString &system_text)
{
    QString reason;
    switch (error) {
    case QAbstractSocket::HostNotFoundError:
        reason = QStringLiteral("no se encontró el servidor «%1» (¿está bien escrito su nombre?)")
                     .arg(address.host);
        break;
    case QAbstractSocket::ConnectionRefusedError:
        reason = QStringLiteral("el servidor %1 rechazó la conexión al puerto %2 (¿está en "
                                "marcha el servidor de puertos, y en ese puerto?)")
                     .arg(address.host)
                     .arg(address.port);
        break;
    case QAbstractSocket::RemoteHostClosedError:
        reason = QStringLiteral("el servidor cerró la conexión");
        break;
    case QAbstractSocket::SocketTimeoutError:
        reason = QStringLiteral("el servidor %1 no respondió a tiempo").arg(address.host);
        break;
    case QAbstractSocket::NetworkError:
        reason = QStringLiteral("la red dejó de responder");
        break;
    case QAbstractSocket::SocketAccessError:
        reason = QStringLiteral("el sistema no permite la conexión");
        break;
    default:
        reason = QStringLiteral("error de red");
        break;
    }
    const QString detail = system_text.trimmed();
    if (!detail.isEmpty() && detail != QLatin1String("Unknown error")
        && error != QAbstractSocket::HostNotFoundError
        && error != QAbstractSocket::ConnectionRefusedError
        && error != QAbstractSocket::RemoteHostClosedError)
        reason += QStringLiteral(" (") + detail + QLatin1Char(')');
    return reason;
}

QString net_timeout_text(const NetAddress &address, int ms)
{
    return QStringLiteral("el servidor %1 no respondió en %2 s (¿está encendido y al alcance de "
                          "la red?)")
        .arg(address.host, seconds_text(ms));
}

QString seconds_text(int ms)
{
    return QString::number(ms / 1000.0, 'g', 3).replace(QLatin1Char('.'), QLatin1Char(','));
}

QString serial_format_text(quint32 baud, int data_bits, int parity, int stop_size)
{
    static const char parities[] = "?NOEMS";
    const char p = parity >= 1 && parity <= 5 ? parities[parity] : '?';
    const QString stop = stop_size == 3 ? QStringLiteral("1.5") : QString::number(stop_size);
    return QStringLiteral("%1 %2%3%4").arg(baud).arg(data_bits).arg(QLatin1Char(p)).arg(stop);
}
