#include "ser2net_process.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QThread>

Ser2NetProcess::Ser2NetProcess(const QString &device)
{
    QString config = QStringLiteral("%YAML 1.1\n---\n");
    for (quint16 &port : ports) {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        port = probe.serverPort();
        config += QStringLiteral("connection: &c%1\n    accepter: %2tcp,127.0.0.1,%1\n"
                                 "    connector: serialdev,%3,9600n81,local\n")
                      .arg(port)
                      .arg(&port == ports ? "" : "telnet(rfc2217),", device);
    }
    raw_address = QStringLiteral("tcp://127.0.0.1:%1").arg(ports[0]);
    telnet_address = QStringLiteral("rfc2217://127.0.0.1:%1").arg(ports[1]);
    QFile file(dir.filePath(QStringLiteral("ser2net.yaml")));
    if (!program().isEmpty() && file.open(QIODevice::WriteOnly)
        && file.write(config.toUtf8()) > 0) {
        file.close();
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        start();
    }
}

QString Ser2NetProcess::program()
{
    // A user's PATH may lack the system's own programs.
    return QStandardPaths::findExecutable(
        QStringLiteral("ser2net"),
        QString::fromLocal8Bit(qgetenv("PATH")).split(QLatin1Char(':')) << "/usr/sbin");
}

bool Ser2NetProcess::start()
{
    kill();
    process.start(program(),
                  {QStringLiteral("-n"), QStringLiteral("-c"), dir.filePath("ser2net.yaml"),
                   QStringLiteral("-P"), dir.filePath("ser2net.pid")});
    // Listening is seen without connecting, which would make ser2net open
    // the device: a port it holds cannot be taken.
    const auto taken = [](quint16 port) {
        return !QTcpServer().listen(QHostAddress::LocalHost, port);
    };
    QElapsedTimer clock;
    clock.start();
    while (process.waitForStarted(5000) && !(listening = taken(ports[0]) && taken(ports[1]))
           && clock.elapsed() < 5000)
        QThread::msleep(10);
    return listening;
}
