// The command exchange against a scripted controller on a pseudo-terminal.
#include "console.h"
#include "fake_controller.h"
#include "log_capture.h"
#include "modal_answerer.h"
#include "probe.h"

#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

namespace {
// Records of a user listing, with a status line after every `noise_every`.
QByteArray listing(int records, int noise_every = 0)
{
    QByteArray out;
    for (int i = 0; i < records; ++i) {
        out += "## " + QByteArray::number(i) + ",2,\"Casa\",+56912345678,1,0,0,0,0,24,127\n";
        if (noise_every && i % noise_every == 0)
            out += "DBG gsm ok\n";
    }
    return out;
}
} // namespace

class TstExchange : public QObject
{
    Q_OBJECT

private slots:
    void success_rule_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("timeout_s");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QStringList>("resps");
        // The idle cycles waited with part of the answer in, one debug line a
        // hundred: ten for a second's time-out.
        QTest::addColumn<int>("cycle_lines");
        QTest::addColumn<QString>("progress"); // shown while waiting
        QTest::addColumn<QString>("status");

        const QString none = QStringLiteral("Sin respuesta del controlador");
        // clang-format off
        QTest::newRow("one of one") << QByteArray("7\n") << 1 << 2 << true << QStringList{"7\n"} << 0 << "" << "";
        QTest::newRow("burst of three for two") << QByteArray("a\nb\nc\n") << 2 << 1 << true << QStringList{"a\n", "b\n", "c\n"} << 0 << "" << "";
        QTest::newRow("expected zero, one line") << QByteArray("x\n") << 0 << 1 << true << QStringList{"x\n"} << 0 << "" << "";
        QTest::newRow("too few lines, time-out zero waits a second") << QByteArray("a\n") << 4 << 0 << false << QStringList{"a\n"} << 10 << "L : 25%" << "";
        QTest::newRow("half line never collected") << QByteArray("done\npart") << 2 << 1 << false << QStringList{"done\n"} << 10 << "L : 50%" << "";
        QTest::newRow("no answer") << QByteArray() << 1 << 1 << false << QStringList() << 0 << "" << none;
        QTest::newRow("expected zero, no answer") << QByteArray() << 0 << 1 << false << QStringList() << 0 << "" << "";
        QTest::newRow("negative time-out") << QByteArray() << 1 << -1 << false << QStringList() << 0 << "" << none;
        QTest::newRow("cr lf kept") << QByteArray("OK\r\n") << 1 << 1 << true << QStringList{"OK\r\n"} << 0 << "" << "";
        QTest::newRow("cut at nul") << QByteArray("AB\0CD\n", 6) << 1 << 1 << true << QStringList{"AB"} << 0 << "" << "";
        // clang-format on
    }

    void success_rule()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, expected);
        QFETCH(int, timeout_s);
        QFETCH(QString, progress);

        FakeController fake;
        if (!answer.isEmpty())
            fake.on("CMD", answer);
        LogCapture log;
        DORVAK_Admin w;
        QVERIFY(connect_window(w, fake.port()));
        auto *bar = w.findChild<QProgressBar *>(QStringLiteral("progress"));
        QStringList seen;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            if (!bar->text().isEmpty() && !seen.contains(bar->text()))
                seen << bar->text();
        });
        watch.start(20);

        QTEST(w.exchange(QStringLiteral("CMD"), expected, timeout_s, QStringLiteral("L")),
              "result");
        QTEST(TestProbe(w).resps(), "resps");
        QVERIFY(!TestProbe(w).busy());
        QTEST(int(log.starting(QStringLiteral("ciclo ")).size()), "cycle_lines");
        QCOMPARE(seen, progress.isEmpty() ? QStringList() : QStringList{progress});
        QCOMPARE(bar->text(), QString());
        QTEST(w.findChild<QStatusBar *>(QStringLiteral("status_bar"))->currentMessage(), "status");
        // The command went out as typed plus a line feed, even when nothing
        // came back, and the console shows it.
        QTRY_COMPARE(fake.received(), QByteArray("CMD\n"));
        QVERIFY(w.findChild<Console *>(QStringLiteral("console"))
                    ->toPlainText()
                    .contains(QStringLiteral("--> CMD\n")));
    }

    void closed_port()
    {
        ModalAnswerer answerer;
        DORVAK_Admin w;
        TestProbe(w).resps() = QStringList{"earlier\n"};
        QVERIFY(!w.exchange(QStringLiteral("TOT_USERS"), 1, 2, QString()));
        QCOMPARE(TestProbe(w).resps(), QStringList{"earlier\n"});
        QVERIFY(!TestProbe(w).sent());
        QCOMPARE(answerer.texts(), QStringList{"El puerto está cerrado"});
    }

    void line_lost_before_the_command()
    {
        // A longer answer still arriving holds the next command back; the line
        // going away meanwhile ends the exchange before anything went out.
        FakeController fake;
        fake.set_pace(11520);
        fake.on("FIRST", listing(100));
        ModalAnswerer answerer;
        DORVAK_Admin w;
        QVERIFY(connect_window(w, fake.port()));
        QVERIFY(w.exchange(QStringLiteral("FIRST"), 2, 1, QString()));
        QTimer::singleShot(50, &fake, [&] { fake.hang_up(); });
        QVERIFY(!w.exchange(QStringLiteral("SECOND"), 1, 1, QString()));
        QVERIFY(!TestProbe(w).sent());
        QVERIFY(!TestProbe(w).busy());
        QCOMPARE(fake.received(), QByteArray("FIRST\n"));
    }

    void stray_lines_data()
    {
        QTest::addColumn<QByteArray>("before"); // unasked, just before the command
        QTest::addColumn<QByteArray>("first");  // the answer to FIRST, of which 2 lines are awaited
        QTest::addColumn<QByteArray>("late");   // arrives just after SECOND's answer "7"

        // clang-format off
        QTest::newRow("leftover of a longer answer") << QByteArray() << listing(60) << QByteArray();
        QTest::newRow("unasked line before the command") << QByteArray("RING\n") << QByteArray() << QByteArray();
        QTest::newRow("half line left over") << QByteArray("## 1,2,\"Ca") << QByteArray() << QByteArray();
        QTest::newRow("late line after the answer") << QByteArray() << QByteArray() << QByteArray("DBG late\n");
        // clang-format on
    }

    void stray_lines()
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
        connect(&fake, &FakeController::received_line, [&](const QByteArray &command) {
            if (!late.isEmpty() && command == "SECOND")
                QTimer::singleShot(30, &fake, [&] { fake.send(late); });
        });
        DORVAK_Admin w;
        QVERIFY(connect_window(w, fake.port()));
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
        const QString text = w.findChild<Console *>(QStringLiteral("console"))->toPlainText();
        const int sent_at = text.indexOf(QStringLiteral("--> SECOND"));
        QVERIFY(text.indexOf(QString::fromLatin1(before + first)) <= sent_at);
        QVERIFY(text.indexOf(QLatin1String("7\n" + late), sent_at) > sent_at);
        QCOMPARE(fake.received(), first.isEmpty() ? QByteArray("SECOND\n") : "FIRST\nSECOND\n");
    }

    void paced_answer_is_not_cut()
    {
        // 600 records at the real line rate take about three seconds, thrice
        // the time-out: the exchange must wait for silence, not for the clock,
        // and status lines in between must not end it before the last record.
        FakeController fake;
        fake.set_pace(11520);
        fake.on("LU", listing(600, 7));
        DORVAK_Admin w;
        QVERIFY(connect_window(w, fake.port()));
        QVERIFY(
            w.exchange(QStringLiteral("LU"), 600, 1, QStringLiteral("L"), QStringLiteral("##")));
        QCOMPARE(TestProbe(w).resps().filter(QRegularExpression(QStringLiteral("^##"))).size(),
                 600);
    }
};

QTEST_MAIN(TstExchange)
#include "tst_exchange.moc"
