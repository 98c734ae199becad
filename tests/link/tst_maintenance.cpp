// The maintenance buttons: each sends its exact line and waits as long as
// its expected count and time-out say, with its progress label.
#include "fake_controller.h"
#include "log_capture.h"
#include "modal_answerer.h"
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
    QTest::addColumn<bool>("asks"); // asks first; answered yes

    // Too few lines: the bar shows the share, then the time-out ends it.
    // clang-format off
    QTest::newRow("print db") << "print_db_btn" << QByteArray("PRINTDB") << 51 << 0 << " : 98%" << 1900 << 8000 << "Done in main thread" << false;
    QTest::newRow("reset") << "reset_btn" << QByteArray("RESET") << 3 << 0 << "Reset : 3%" << 900 << 4500 << "" << true;
    QTest::newRow("print fat") << "print_fat_btn" << QByteArray("PRINTFAT") << 11 << 0 << "Printing FAT : 91%" << 900 << 4500 << "" << false;
    QTest::newRow("default db") << "default_db_btn" << QByteArray("DEFAULTDB") << 9 << 0 << " : 90%" << 900 << 4500 << "" << true;
    QTest::newRow("test suite") << "test_btn" << QByteArray("TEST_SUITE") << 9 << 0 << "Probando DORVAK : 90%" << 900 << 4500 << "" << false;
    QTest::newRow("add 500 logs") << "add_500_logs_btn" << QByteArray("CREATE500L") << 99 << 0 << "Creando 500 Logs : 99%" << 900 << 4500 << "" << true;
    // No answer: a time-out of 0 waits one second, the debug line follows.
    QTest::newRow("silent") << "silent_btn" << QByteArray("SILENT") << 0 << 0 << "" << 900 << 4500 << "Silent sent" << false;
    QTest::newRow("verbose") << "verbose_btn" << QByteArray("VERBOSE") << 0 << 0 << "" << 900 << 4500 << "Verbose sent" << false;
    // One expected line ends the wait as soon as it arrives.
    QTest::newRow("add 500 users waits long") << "add_500_btn" << QByteArray("CREATE500U") << 1 << 2500 << "" << 2400 << 6000 << "" << true;
    QTest::newRow("make 5000") << "make_5000_btn" << QByteArray("STUM 5000") << 1 << 0 << "" << 0 << 1500 << "" << true;
    // The user says no: nothing goes out.
    QTest::newRow("reset refused") << "reset_btn" << QByteArray() << 0 << 0 << "" << 0 << 1500 << "" << true;
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
    QFETCH(bool, asks);

    ModalAnswerer answerer;
    answerer.queue_button(command.isEmpty() ? QMessageBox::No : QMessageBox::Yes);
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

    QCOMPARE(answerer.seen().size(), int(asks));
    QCOMPARE(fake.received(), command.isEmpty() ? command : command + '\n');
    QVERIFY2(ms >= min_ms && ms <= max_ms, qPrintable(QString::number(ms)));
    QCOMPARE(seen, progress.isEmpty() ? QStringList() : QStringList{progress});
    QVERIFY(bar->value() <= 0);
    QCOMPARE(bar->text(), QString());
    if (!debug.isEmpty())
        QVERIFY(log.has(debug));
}

QTEST_MAIN(TstMaintenance)
#include "tst_maintenance.moc"
