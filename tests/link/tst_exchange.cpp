// The command exchange against a scripted controller on a pseudo-terminal.
#include "console.h"
#include "fake_controller.h"
#include "log_capture.h"
#include "modal_answerer.h"
#include "probe.h"

#include <QElapsedTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class TstExchange : public QObject
{
    Q_OBJECT

private slots:
    void success_rule_data();
    void success_rule();
    void progress_data();
    void progress();
    void closed_port();
    void stray_lines_data();
    void stray_lines();
    void paced_answer_is_not_cut_data();
    void paced_answer_is_not_cut();

private:
    static void connect_to(DORVAK_Admin &w, const FakeController &fake)
    {
        w.choose_port(fake.port());
        w.findChild<QPushButton *>(QStringLiteral("connect_btn"))->click();
        QVERIFY(TestProbe(w).serial()->isOpen());
    }
};

void TstExchange::success_rule_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("delay_ms");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("timeout_s");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QStringList>("resps");
    QTest::addColumn<int>("min_ms"); // lower bound of the wait
    QTest::addColumn<int>("max_ms"); // upper bound of the wait

    // clang-format off
    QTest::newRow("one of one") << QByteArray("7\n") << 0 << 1 << 2 << true << QStringList{"7\n"} << 0 << 1500;
    QTest::newRow("burst of three for two") << QByteArray("a\nb\nc\n") << 0 << 2 << 1 << true << QStringList{"a\n", "b\n", "c\n"} << 0 << 1500;
    QTest::newRow("expected zero, one line") << QByteArray("x\n") << 0 << 0 << 1 << true << QStringList{"x\n"} << 0 << 1500;
    QTest::newRow("too few lines") << QByteArray("a\n") << 0 << 2 << 1 << false << QStringList{"a\n"} << 900 << 4500;
    QTest::newRow("no answer") << QByteArray() << 0 << 1 << 1 << false << QStringList() << 900 << 4500;
    QTest::newRow("timeout zero waits like one") << QByteArray() << 0 << 1 << 0 << false << QStringList() << 900 << 4500;
    QTest::newRow("negative timeout") << QByteArray() << 0 << 1 << -1 << false << QStringList() << 0 << 1000;
    QTest::newRow("late answer within the time-out") << QByteArray("late\n") << 1500 << 1 << 2 << true << QStringList{"late\n"} << 1400 << 5000;
    QTest::newRow("cr lf kept") << QByteArray("OK\r\n") << 0 << 1 << 1 << true << QStringList{"OK\r\n"} << 0 << 1500;
    QTest::newRow("cut at nul") << QByteArray("AB\0CD\n", 6) << 0 << 1 << 1 << true << QStringList{"AB"} << 0 << 1500;
    QTest::newRow("half line never collected") << QByteArray("done\npart") << 0 << 2 << 1 << false << QStringList{"done\n"} << 900 << 4500;
    // clang-format on
}

void TstExchange::success_rule()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, delay_ms);
    QFETCH(int, expected);
    QFETCH(int, timeout_s);
    QFETCH(bool, result);
    QFETCH(QStringList, resps);
    QFETCH(int, min_ms);
    QFETCH(int, max_ms);

    FakeController fake;
    if (!answer.isEmpty())
        fake.on("CMD", answer, delay_ms);
    LogCapture log;
    DORVAK_Admin w;
    connect_to(w, fake);

    QElapsedTimer clock;
    clock.start();
    QCOMPARE(w.exchange(QStringLiteral("CMD"), expected, timeout_s, QString()), result);
    const qint64 ms = clock.elapsed();
    QCOMPARE(TestProbe(w).resps(), resps);
    QVERIFY2(ms >= min_ms && ms <= max_ms, qPrintable(QString::number(ms)));
    QVERIFY(!TestProbe(w).busy());
    QCOMPARE(log.has(QStringLiteral("ERROR : sin respuesta")), resps.isEmpty());
    // The command went out as typed plus a line feed, even when nothing
    // came back, and the console shows it.
    QTRY_COMPARE(fake.received(), QByteArray("CMD\n"));
    QCOMPARE(log.starting(QStringLiteral("Ejecutando : ")),
             QStringList{"Ejecutando :  \"CMD\\n\""});
    QVERIFY(w.findChild<Console *>(QStringLiteral("console"))
                ->toPlainText()
                .contains(QStringLiteral("--> CMD\n")));
}

void TstExchange::progress_data()
{
    QTest::addColumn<bool>("driven");
    // clang-format off
    QTest::newRow("driven by the exchange") << true;
    QTest::newRow("left to the operation") << false;
    // clang-format on
}

void TstExchange::progress()
{
    QFETCH(bool, driven);
    FakeController fake;
    fake.on("TOTAL", "1\n");
    DORVAK_Admin w;
    connect_to(w, fake);
    auto *bar = w.findChild<QProgressBar *>(QStringLiteral("progress"));
    bar->setValue(42);
    bar->setFormat(QStringLiteral("mine"));
    TestProbe(w).show_progress() = driven;
    QStringList seen;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&] {
        if (!seen.contains(bar->text()))
            seen << bar->text();
    });
    watch.start(20);
    w.exchange(QStringLiteral("TOTAL"), 4, 1, QStringLiteral("Bajando Eventos"));
    if (driven) {
        QVERIFY(seen.contains(QStringLiteral("Bajando Eventos : 25%")));
        QCOMPARE(bar->value(), 0);
        QCOMPARE(bar->text(), QString());
    } else {
        QCOMPARE(seen, QStringList{"mine"});
        QCOMPARE(bar->value(), 42);
    }
}

void TstExchange::closed_port()
{
    ModalAnswerer answerer;
    DORVAK_Admin w;
    TestProbe(w).resps() = QStringList{"earlier\n"};
    QVERIFY(!w.exchange(QStringLiteral("TOT_USERS"), 1, 2, QString()));
    QCOMPARE(TestProbe(w).resps(), QStringList{"earlier\n"});
    QVERIFY(!TestProbe(w).sent());
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen().first().title, QStringLiteral("Error"));
    QCOMPARE(answerer.seen().first().text, QStringLiteral("El puerto está cerrado"));
    auto *console = w.findChild<Console *>(QStringLiteral("console"));
    QVERIFY(console->toPlainText().contains(QStringLiteral("--> TOT_USERS")));
}

void TstExchange::stray_lines_data()
{
    QTest::addColumn<QByteArray>("before"); // unasked, just before the command
    QTest::addColumn<QByteArray>("first");  // the answer to FIRST, of which 2 lines are awaited
    QTest::addColumn<QByteArray>("late");   // arrives just after SECOND's answer "7"

    QByteArray listing;
    for (int i = 0; i < 60; ++i)
        listing += "## " + QByteArray::number(i) + ",2,\"Casa\",+56912345678,1,0,0,0,0,24,127\n";
    // clang-format off
    QTest::newRow("leftover of a longer answer") << QByteArray() << listing << QByteArray();
    QTest::newRow("unasked line before the command") << QByteArray("RING\n") << QByteArray() << QByteArray();
    QTest::newRow("half line left over") << QByteArray("## 1,2,\"Ca") << QByteArray() << QByteArray();
    QTest::newRow("late line after the answer") << QByteArray() << QByteArray() << QByteArray("DBG late\n");
    // clang-format on
}

void TstExchange::stray_lines()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, late);
    // At the real line rate an answer longer than awaited is still arriving
    // when the next command is due: its lines must not be taken for the
    // next command's answer, and none of them may vanish from the console.
    FakeController fake;
    fake.set_pace(11520);
    fake.on("FIRST", first);
    fake.on("SECOND", "7\n");
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&] {
        if (!late.isEmpty() && fake.count("SECOND") == 1) {
            watch.stop();
            QTimer::singleShot(30, [&] { fake.send(late); });
        }
    });
    watch.start(1);
    DORVAK_Admin w;
    connect_to(w, fake);
    auto *console = w.findChild<Console *>(QStringLiteral("console"));
    if (!first.isEmpty())
        QVERIFY(w.exchange(QStringLiteral("FIRST"), 2, 1, QString()));
    if (!before.isEmpty()) {
        fake.send(before);
        QTest::qWait(20);
    }
    QVERIFY(w.exchange(QStringLiteral("SECOND"), 1, 1, QString()));
    QCOMPARE(TestProbe(w).resps(), QStringList{"7\n"});
    // Everything is shown, in the order it arrived, and the second command
    // went out only after the first answer had ended.
    const QString text = console->toPlainText();
    const int sent_at = text.indexOf(QStringLiteral("--> SECOND"));
    QVERIFY(text.indexOf(QString::fromLatin1(before + first)) <= sent_at);
    QVERIFY(text.indexOf(QLatin1String("7\n" + late), sent_at) > sent_at);
    QCOMPARE(fake.received(), first.isEmpty() ? QByteArray("SECOND\n") : "FIRST\nSECOND\n");
}

void TstExchange::paced_answer_is_not_cut_data()
{
    QTest::addColumn<int>("noise_every"); // a status line after every n records, 0 for none
    QTest::addColumn<QString>("counted");
    // clang-format off
    QTest::newRow("records only") << 0 << QString();
    QTest::newRow("status lines in between") << 7 << QStringLiteral("##");
    // clang-format on
}

void TstExchange::paced_answer_is_not_cut()
{
    QFETCH(int, noise_every);
    QFETCH(QString, counted);
    // 1,000 records at the real line rate take about 4 seconds, twice the
    // time-out: the exchange must wait for silence, not for the clock, and
    // status lines in between must not end it before the last record.
    QByteArray answer;
    for (int i = 0; i < 1000; ++i) {
        answer += "## " + QByteArray::number(i) + ",2,\"Casa\",+56912345678,1,0,0,0,0,24,127\n";
        if (noise_every && i % noise_every == 0)
            answer += "DBG gsm ok\n";
    }
    FakeController fake;
    fake.set_pace(11520);
    fake.on("LU", answer);
    DORVAK_Admin w;
    connect_to(w, fake);
    QVERIFY(
        w.exchange(QStringLiteral("LU"), 1000, 2, QStringLiteral("Cargando Usuarios"), counted));
    int records = 0;
    for (const QString &line : TestProbe(w).resps())
        records += line.startsWith(QLatin1String("##")) ? 1 : 0;
    QCOMPARE(records, 1000);
}

QTEST_MAIN(TstExchange)
#include "tst_exchange.moc"
