// The console's own cost: lines appended a second however much it already
// shows, and the whole tool's downloads with the console shown, at once and
// at the line's pace.
#include "bench.h"

#include "console.h"
#include "fake_controller.h"
#include "probe.h"
#include "sim_process.h"

#include <QApplication>
#include <QPushButton>
#include <QThread>

#include <sys/resource.h>

namespace {

QByteArray log_line(int i)
{
    return QStringLiteral("XX %1 %2 %3 2024-03-%4 %5:%6:%7\n")
        .arg(i % 12 + 1)
        .arg(i % 9000 + 1)
        .arg(i % 7000 + 1)
        .arg(i % 28 + 1, 2, 10, QLatin1Char('0'))
        .arg(i / 3600 % 24, 2, 10, QLatin1Char('0'))
        .arg(i / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(i % 60, 2, 10, QLatin1Char('0'))
        .toLatin1();
}

// Lines appended a second to a shown console that already holds `shown`
// lines, as a download brings them: mostly what the controller sent, now
// and then a command that went out, the event loop turning between reads.
double append_rate(Console &console, int shown)
{
    console.clear();
    for (int i = 0; i < shown; ++i)
        console.putData(log_line(i));
    // What is shown has settled on the screen before the clock starts.
    QElapsedTimer settling;
    settling.start();
    while (settling.elapsed() < 200)
        QApplication::processEvents();
    constexpr int lines = 30000;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < lines; ++i) {
        if (i % 500 == 0)
            console.show_sent(QStringLiteral("ENVLOG"));
        else
            console.putData(log_line(i));
        if (i % 50 == 0)
            QApplication::processEvents();
    }
    QApplication::processEvents();
    return lines * 1000.0 / qMax<qint64>(1, clock.elapsed());
}

void set_limit(Console &console, int lines)
{
    console.set_line_limit(lines);
}

void open_with_console(DORVAK_Admin &w, const QString &port)
{
    w.show();
    w.findChild<QPushButton *>(QStringLiteral("console_btn"))->click();
    QApplication::processEvents();
    connect_window(w, port);
}

} // namespace

void bench_console(QTextStream &out)
{
    {
        Console console;
        console.resize(600, 700);
        console.show();
        const int limit = console.line_limit();
        // The first lines ever shown also fill the font's caches.
        append_rate(console, 0);
        const double empty = append_rate(console, 0);
        // Room for them all: the cost of what is shown, not of dropping.
        set_limit(console, 10 * limit);
        const double shown = append_rate(console, 20000);
        set_limit(console, limit);
        const double full = append_rate(console, limit);
        out << "console: lines appended a second, empty / 20000 shown / full at its limit of "
            << limit << ": " << qint64(empty) << " / " << qint64(shown) << " / " << qint64(full)
            << "\n";
    }

    // 9,600 users and then 10,000 log lines, delivered as fast as the
    // pseudo-terminal takes them; the scripted controller writes from a
    // thread of its own, so that its writing never waits on the window.
    QList<QByteArray> records;
    const QStringList users = device_user_lines().mid(0, 9600);
    for (const QString &line : users)
        records << line.trimmed().toLatin1();
    QByteArray log;
    for (int i = 0; i < 10000; ++i)
        log += log_line(i);
    QThread line_thread;
    auto *fake = new FakeController;
    fake->keep_database(records);
    fake->on("TOTAL_LOG", "10000\n");
    fake->on("ENVLOG", log);
    fake->moveToThread(&line_thread);
    QObject::connect(&line_thread, &QThread::finished, fake, &QObject::deleteLater);
    line_thread.start();
    {
        DORVAK_Admin w;
        TestProbe probe(w);
        open_with_console(w, fake->port());
        const qint64 ms =
            timed(out, "console shown: 9600 users at once", [&] { probe.invoke("getUsers"); });
        out << "console shown: " << probe.users().size() << " users, "
            << qint64(probe.users().size() * 1000.0 / qMax<qint64>(1, ms)) << " lines a second\n";
        timed(out, "console shown: 10000 log lines after them, click to table filled",
              [&] { probe.invoke("getLog"); });
    }
    line_thread.quit();
    line_thread.wait();
}

// The whole tool's processor time (this process only, not the simulator's)
// while a 5,000-user listing and a 20,000-event log arrive at 115200 baud.
void bench_console_paced(QTextStream &out)
{
    SimProcess sim({"--users", "5000", "--logs", "20000", "--baud", "115200"});
    if (!sim.ok()) {
        out << "console paced: simulator did not start\n";
        return;
    }
    DORVAK_Admin w;
    TestProbe probe(w);
    open_with_console(w, sim.port());
    for (const char *slot : {"getUsers", "getLog"}) {
        const double cpu = cpu_seconds();
        QElapsedTimer clock;
        clock.start();
        probe.invoke(slot);
        const double wall = double(clock.elapsed()) / 1000;
        const double used = cpu_seconds() - cpu;
        out << "console paced: " << slot << " at 115200 baud: " << QString::number(wall, 'f', 1)
            << " s, processor " << QString::number(used, 'f', 2) << " s ("
            << QString::number(100 * used / wall, 'f', 1) << "%)\n";
        out.flush();
    }
}
