// The 2,000-user listing from the simulator at 115200 baud, collected over
// its local port and over ser2net on the loopback (raw and RFC 2217), in
// one run: what the network line adds to the time and to the tool's
// processor time.
#include "bench.h"

#include "ser2net_process.h"
#include "session.h"
#include "sim_process.h"

void bench_network(QTextStream &out)
{
    const QStringList args{"--users", "2000", "--baud", "115200"};
    SimProcess sim(args);
    Ser2NetProcess server(sim.port());
    if (!sim.ok() || !server.ok()) {
        out << "network download: the simulator or ser2net did not start\n";
        return;
    }
    double local_ms = 0;
    for (const QString &port : {sim.port(), server.raw_address, server.telnet_address}) {
        Session session;
        if (!session.open(port)) {
            out << "network download: " << port << ": " << session.open_error() << "\n";
            continue;
        }
        const double cpu = cpu_seconds();
        QElapsedTimer clock;
        clock.start();
        const Reply reply =
            session.exchange(QStringLiteral("LU"), 2000, 2, QString(), QStringLiteral("##"));
        // The pause after the answer is the controller's, not the line's.
        const double ms = double(clock.elapsed() - session.timing().pause_ms);
        if (local_ms == 0)
            local_ms = ms;
        out << "network download: " << (port == sim.port() ? QStringLiteral("local port") : port)
            << ": " << reply.lines.size() << " lines in " << qint64(ms) << " ms, "
            << QString::number(ms / local_ms, 'f', 4) << " of the local port's time, "
            << QString::number((cpu_seconds() - cpu) * 1000, 'f', 0) << " ms of processor\n";
        out.flush();
    }
}
