#include "sim_process.h"

#include <QElapsedTimer>

#include <QSerialPort>

SimProcess::SimProcess(const QStringList &args)
{
    QStringList all = args;
    if (!all.contains(QStringLiteral("--baud")))
        all << QStringLiteral("--baud") << QStringLiteral("0");
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(DORVAK_SIM_PATH), all);
    if (!process.waitForStarted(5000))
        return;
    QElapsedTimer clock;
    clock.start();
    while (!process.canReadLine() && clock.elapsed() < 5000)
        process.waitForReadyRead(100);
    device = QString::fromLocal8Bit(process.readLine()).trimmed();
}

SimProcess::~SimProcess()
{
    kill();
}

void SimProcess::kill()
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000))
        process.kill();
    process.waitForFinished(1000);
}

QStringList SimProcess::query(const QString &command, int quiet_ms) const
{
    QStringList lines;
    for (const QByteArray &line : query_raw(command.toLocal8Bit(), quiet_ms))
        lines << QString::fromUtf8(line);
    return lines;
}

QList<QByteArray> SimProcess::query_raw(const QByteArray &command, int quiet_ms) const
{
    // A command the controller does not know follows the one asked: its
    // refusal marks the end of the answer, so that a query waits no longer
    // than the answer takes. A quiet line of `quiet_ms` still ends it, for a
    // simulator that no longer answers.
    static const QByteArray marker = QByteArrayLiteral("FIN_DE_CONSULTA");
    static const QByteArray refusal = QByteArrayLiteral("ERROR comando desconocido");
    QSerialPort port(device);
    QList<QByteArray> lines;
    if (!port.open(QIODevice::ReadWrite))
        return lines;
    port.write(command + '\n' + marker + '\n');
    QByteArray in;
    auto complete = [&] { return in.endsWith(refusal + '\n') || in.endsWith(refusal + "\r\n"); };
    while (!complete() && port.waitForReadyRead(quiet_ms))
        in += port.readAll();
    for (const QByteArray &part : in.split('\n')) {
        const QByteArray line = part.endsWith('\r') ? part.chopped(1) : part;
        if (!line.isEmpty())
            lines << line;
    }
    if (complete())
        lines.removeLast();
    return lines;
}
