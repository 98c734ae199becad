// How long the window's event loop can go without a turn while "Sincronizar"
// uploads 100 records to the simulator at the line's real rate: a timer that
// should tick every 5 ms records the longest gap between two ticks.
#include "bench.h"

#include "modal_answerer.h"
#include "probe.h"
#include "sim_process.h"
#include "user_row.h"

#include <QPushButton>
#include <QTimer>

void bench_stall(QTextStream &out)
{
    SimProcess sim({"--users", "100", "--baud", "115200"});
    if (!sim.ok()) {
        out << "sync stall: simulator did not start\n";
        return;
    }
    // "Sincronizar" lists what it will write and waits for a yes.
    ModalAnswerer answerer;
    answerer.queue_button(QMessageBox::Yes);
    DORVAK_Admin w;
    TestProbe probe(w);
    w.show();
    w.choose_port(sim.port());
    probe.invoke("open");
    probe.invoke("getUsers");
    for (UserRow *record : probe.users())
        record->pending = true;
    const int records = probe.users().size();

    QElapsedTimer since_tick;
    qint64 longest = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (since_tick.isValid())
            longest = qMax(longest, since_tick.elapsed());
        since_tick.start();
    });
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.start(5);
    const qint64 ms = timed(out, "sync of the records", [&] { probe.invoke("sync_users"); });
    ticker.stop();
    int still_pending = 0;
    for (UserRow *record : probe.users())
        still_pending += record->pending ? 1 : 0;
    out << "sync: " << records << " records, " << still_pending << " left pending, "
        << ms / qMax(1, records) << " ms a record\n";
    out << "sync: longest event-loop stall: " << longest << " ms\n";
    out.flush();
}

// How much longer the user listing takes to collect than its bytes take on
// the wire at 115200 baud (ten bits a byte): the exchange should add nothing
// to the controller's pace but the pause it gives the controller at the end.
void bench_paced(QTextStream &out)
{
    const QStringList args{"--users", "2000"};
    qint64 bytes = 0;
    const QStringList lines = SimProcess(args).query(QStringLiteral("LU"));
    for (const QString &line : lines)
        bytes += line.toUtf8().size() + 1;
    SimProcess sim(args + QStringList{"--baud", "115200"});
    if (!sim.ok() || lines.isEmpty()) {
        out << "paced download: simulator did not start\n";
        return;
    }
    DORVAK_Admin w;
    w.choose_port(sim.port());
    TestProbe(w).invoke("open");
    QElapsedTimer clock;
    clock.start();
    const Reply reply =
        w.exchange(QStringLiteral("LU"), int(lines.size()), 2, QString(), QStringLiteral("##"));
    // The pause after the answer is the controller's, not the line's.
    const double ms = double(clock.elapsed() - 100);
    const double wire_ms = double(bytes) * 10 * 1000 / 115200;
    out << "paced download: " << reply.lines.size() << " lines in " << qint64(ms) << " ms, "
        << qint64(wire_ms) << " ms on the wire, ratio " << QString::number(ms / wire_ms, 'f', 4)
        << "\n";
    out.flush();
}
