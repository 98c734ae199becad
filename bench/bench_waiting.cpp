// What the tool costs while it waits for the controller: the CPU of its own
// process while a command waits out a silent controller, and while the
// simulator (another process, not counted) answers a listing at 115200 baud.
#include "bench.h"

#include "fake_controller.h"
#include "probe.h"
#include "sim_process.h"

namespace {

// The share of one core the tool used while `work` ran.
template<typename Work> double core_share(qint64 *wall_ms, Work work)
{
    const double cpu = cpu_seconds();
    QElapsedTimer clock;
    clock.start();
    work();
    *wall_ms = clock.elapsed();
    return (cpu_seconds() - cpu) * 1000 / double(qMax<qint64>(1, *wall_ms));
}

} // namespace

void bench_waiting(QTextStream &out)
{
    {
        // A controller that never answers: the command waits its first-line
        // time out.
        FakeController silent;
        DORVAK_Admin w;
        w.choose_port(silent.port());
        TestProbe(w).invoke("open");
        qint64 ms = 0;
        const double share =
            core_share(&ms, [&] { w.exchange(QStringLiteral("NEXT"), 1, 1, QString()); });
        out << "waiting for a silent controller: " << ms << " ms, "
            << QString::number(share * 100, 'f', 2) << "% of a core\n";
    }
    SimProcess sim({"--users", "2000", "--baud", "115200"});
    if (!sim.ok()) {
        out << "waiting: simulator did not start\n";
        return;
    }
    DORVAK_Admin w;
    w.choose_port(sim.port());
    TestProbe(w).invoke("open");
    int lines = 0;
    qint64 ms = 0;
    const double share = core_share(&ms, [&] {
        lines = int(w.exchange(QStringLiteral("LU"), 2000, 2, QString(), QStringLiteral("##"))
                        .lines.size());
    });
    out << "waiting for a listing at 115200 baud: " << lines << " lines in " << ms << " ms, "
        << QString::number(share * 100, 'f', 2) << "% of a core\n";
    out.flush();
}
