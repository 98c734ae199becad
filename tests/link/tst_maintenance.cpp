// The maintenance buttons: each sends its exact line and waits as long as
// its expected count and time-out say, with its progress label.
#include "fake_controller.h"
#include "log_capture.h"
#include "probe.h"

#include <QElapsedTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class TstMaintenance : public QObject
{
    Q_OBJECT

private slots:
    void command_data();
    void command();
};

namespace {
QByteArray lines(int n)
{
    QByteArray out;
    for (int i = 0; i < n; ++i)
        out += "line " + QByteArray::number(i) + '\n';
    return out;
}
} // namespace

void TstMaintenance::command_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("answered"); // lines the controller sends
    QTest::addColumn<int>("delay_ms");
    QTest::addColumn<QString>("progress"); // what the bar shows meanwhile
    QTest::addColumn<int>("min_ms");
    QTest::addColumn<int>(
        "max_ms"); // generous: the wait counts idle cycles, which a busy machine stretches
    QTest::addColumn<QString>("debug");

    // Too few lines: the bar shows the share, then the time-out ends it.
    // clang-format off
    QTest::newRow("print db") << "print_db_btn" << QByteArray("PRINTDB") << 51 << 0 << " : 98%" << 1900 << 8000 << "Done in main thread";
    QTest::newRow("reset") << "reset_btn" << QByteArray("RESET") << 3 << 0 << "Reset : 3%" << 900 << 4500 << "";
    QTest::newRow("print fat") << "print_fat_btn" << QByteArray("PRINTFAT") << 11 << 0 << "Printing FAT : 91%" << 900 << 4500 << "";
    QTest::newRow("default db") << "default_db_btn" << QByteArray("DEFAULTDB") << 9 << 0 << " : 90%" << 900 << 4500 << "";
    QTest::newRow("test suite") << "test_btn" << QByteArray("TEST_SUITE") << 9 << 0 << "Probando DORVAK : 90%" << 900 << 4500 << "";
    QTest::newRow("add 500 logs") << "add_500_logs_btn" << QByteArray("CREATE500L") << 99 << 0 << "Creando 500 Logs : 99%" << 900 << 4500 << "";
    // No answer: a time-out of 0 waits one second, the debug line follows.
    QTest::newRow("silent") << "silent_btn" << QByteArray("SILENT") << 0 << 0 << "" << 900 << 4500 << "Silent sent";
    QTest::newRow("verbose") << "verbose_btn" << QByteArray("VERBOSE") << 0 << 0 << "" << 900 << 4500 << "Verbose sent";
    // One expected line ends the wait as soon as it arrives.
    QTest::newRow("add 500 users waits long") << "add_500_btn" << QByteArray("CREATE500U") << 1 << 2500 << "" << 2400 << 6000 << "";
    QTest::newRow("make 5000") << "make_5000_btn" << QByteArray("STUM 5000") << 1 << 0 << "" << 0 << 1500 << "";
    // clang-format on
}

void TstMaintenance::command()
{
    QFETCH(QString, button);
    QFETCH(QByteArray, command);
    QFETCH(int, answered);
    QFETCH(int, delay_ms);
    QFETCH(QString, progress);
    QFETCH(int, min_ms);
    QFETCH(int, max_ms);
    QFETCH(QString, debug);

    FakeController fake;
    if (answered > 0)
        fake.on(command, lines(answered), delay_ms);
    LogCapture log;
    DORVAK_Admin w;
    w.choose_port(fake.port());
    w.findChild<QPushButton *>(QStringLiteral("connect_btn"))->click();
    QMetaObject::invokeMethod(&w, "show_debug");

    auto *bar = w.findChild<QProgressBar *>(QStringLiteral("progress"));
    QStringList seen;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&] {
        if (!bar->text().isEmpty() && !seen.contains(bar->text()))
            seen << bar->text();
    });
    watch.start(20);

    QElapsedTimer clock;
    clock.start();
    w.findChild<QPushButton *>(button)->click();
    const qint64 ms = clock.elapsed();

    QCOMPARE(fake.received(), command + '\n');
    QVERIFY2(ms >= min_ms && ms <= max_ms, qPrintable(QString::number(ms)));
    QCOMPARE(seen, progress.isEmpty() ? QStringList() : QStringList{progress});
    QCOMPARE(bar->value(), 0);
    QCOMPARE(bar->text(), QString());
    if (!debug.isEmpty())
        QVERIFY(log.has(debug));
}

QTEST_MAIN(TstMaintenance)
#include "tst_maintenance.moc"
