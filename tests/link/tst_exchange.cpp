// The command exchange against a scripted controller on a pseudo-terminal.
#include "console.h"
#include "fake_controller.h"
#include "modal_answerer.h"
#include "probe.h"
#include "user_csv.h"

#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTemporaryDir>
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

// The texts the progress bar showed, each once, in the order they came.
struct ProgressSeen
{
    explicit ProgressSeen(DORVAK_Admin &w) : bar(w.findChild<QProgressBar *>("progress"))
    {
        QObject::connect(&watch, &QTimer::timeout, [this] {
            if (!bar->text().isEmpty() && !texts.contains(bar->text()))
                texts << bar->text();
        });
        watch.start(20);
    }
    QProgressBar *bar;
    QStringList texts;
    QTimer watch;
};
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
        QTest::addColumn<int>("end"); // Reply::End
        QTest::addColumn<QStringList>("resps");
        QTest::addColumn<QString>("progress"); // shown while waiting
        QTest::addColumn<QString>("status");

        const QString none = QStringLiteral("Sin respuesta del controlador");
        const int ok = Reply::answered, late = Reply::timed_out;
        // clang-format off
        QTest::newRow("one of one") << QByteArray("7\n") << 1 << 2 << ok << QStringList{"7\n"} << "" << "";
        QTest::newRow("burst of three for two") << QByteArray("a\nb\nc\n") << 2 << 1 << ok << QStringList{"a\n", "b\n", "c\n"} << "" << "";
        QTest::newRow("expected zero, one line") << QByteArray("x\n") << 0 << 1 << ok << QStringList{"x\n"} << "" << "";
        QTest::newRow("too few lines, time-out zero waits a second") << QByteArray("a\n") << 4 << 0 << late << QStringList{"a\n"} << "L : 25%" << "";
        QTest::newRow("half line never collected") << QByteArray("done\npart") << 2 << 1 << late << QStringList{"done\n"} << "L : 50%" << "";
        QTest::newRow("no answer") << QByteArray() << 1 << 1 << late << QStringList() << "" << none;
        QTest::newRow("negative time-out") << QByteArray() << 1 << -1 << late << QStringList() << "" << none;
        QTest::newRow("cr lf kept") << QByteArray("OK\r\n") << 1 << 1 << ok << QStringList{"OK\r\n"} << "" << "";
        QTest::newRow("cut at nul") << QByteArray("AB\0CD\n", 6) << 1 << 1 << ok << QStringList{"AB"} << "" << "";
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
        DORVAK_Admin w;
        QVERIFY(connect_window(w, fake.port()));
        const ProgressSeen seen(w);
        const Reply reply =
            w.exchange(QStringLiteral("CMD"), expected, timeout_s, QStringLiteral("L"));
        QTEST(int(reply.end), "end");
        QTEST(TestProbe(w).resps(), "resps");
        QCOMPARE(reply.lines, TestProbe(w).resps());
        QVERIFY(!TestProbe(w).busy());
        QCOMPARE(seen.texts, progress.isEmpty() ? QStringList() : QStringList{progress});
        QCOMPARE(seen.bar->text(), QString());
        QTEST(w.findChild<QStatusBar *>(QStringLiteral("status_bar"))->currentMessage(), "status");
        // The command went out as typed plus a line feed, even when nothing
        // came back, and the console shows it.
        QTRY_COMPARE(fake.received(), QByteArray("CMD\n"));
        QVERIFY(w.findChild<Console *>(QStringLiteral("console"))
                    ->toPlainText()
                    .contains(QStringLiteral("--> CMD\n")));
    }

    // Whatever ran before, a wait for the controller's lines shows how far
    // it has come: what keeps the bar for itself a while gives it back.
    void progress_after_data()
    {
        QTest::addColumn<QString>("before");
        QTest::newRow("Obtener Usuarios") << "";
        QTest::newRow("Obtener Usuarios, Importar") << "import";
    }
    void progress_after()
    {
        FakeController fake;
        fake.keep_database({"## 1,1,\"Ana\",+56911111111,1,0,0,0,0,24,255"});
        fake.on("CMD", "a\n");
        ModalAnswerer answerer;
        answerer.queue_button(QMessageBox::Ok);
        DORVAK_Admin w;
        TestProbe probe(w);
        QVERIFY(connect_window(w, fake.port()));
        QVERIFY(probe.invoke("getUsers"));
        QFETCH(QString, before);
        if (before == "import") {
            // A file with one more person than the list.
            QTemporaryDir dir;
            QFile csv(dir.filePath("u.csv"));
            QVERIFY(csv.open(QIODevice::WriteOnly)
                    && csv.write(users_csv_header().toUtf8() + "\n2;2;admin;Beto;+56922222222") > 0
                    && csv.flush());
            probe.import_users_from(csv.fileName());
        }
        QCOMPARE(answerer.texts().size(), int(before == "import"));
        const ProgressSeen seen(w);
        w.exchange(QStringLiteral("CMD"), 4, 0, QStringLiteral("L"));
        QCOMPARE(seen.texts, QStringList{"L : 25%"});
    }

    void stray_lines_data()
    {
        QTest::addColumn<QByteArray>("before"); // unasked, just before the command
        QTest::addColumn<QByteArray>("first");  // the answer to FIRST, of which 2 lines are awaited

        // clang-format off
        QTest::newRow("leftover of a longer answer") << QByteArray() << listing(60);
        QTest::newRow("unasked line before the command") << QByteArray("RING\n") << QByteArray();
        QTest::newRow("half line left over") << QByteArray("## 1,2,\"Ca") << QByteArray();
        // clang-format on
    }

    void stray_lines()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, first);
        // At the real line rate an answer longer than awaited is still arriving
        // when the next command is due: its lines must not be taken for the
        // next command's answer, and none of them may vanish from the console.
        FakeController fake;
        fake.set_pace(11520);
        fake.on("FIRST", first);
        fake.on("SECOND", "7\n");
        DORVAK_Admin w;
        QVERIFY(connect_window(w, fake.port()));
        if (!first.isEmpty())
            QVERIFY(w.exchange(QStringLiteral("FIRST"), 2, 1, QString()).ok());
        if (!before.isEmpty()) {
            fake.send(before);
            QTest::qWait(20);
        }
        QVERIFY(w.exchange(QStringLiteral("SECOND"), 1, 1, QString()).ok());
        QCOMPARE(TestProbe(w).resps(), QStringList{"7\n"});
        // Everything is shown, in the order it arrived, and the second command
        // went out only after the first answer had ended.
        const QString text = w.findChild<Console *>(QStringLiteral("console"))->toPlainText();
        const int sent_at = text.indexOf(QStringLiteral("--> SECOND"));
        QVERIFY(text.indexOf(QString::fromLatin1(before + first)) <= sent_at);
        QVERIFY(text.indexOf(QLatin1String("7\n"), sent_at) > sent_at);
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
        QVERIFY(w.exchange(QStringLiteral("LU"), 600, 1, QStringLiteral("L"), QStringLiteral("##"))
                    .ok());
        QCOMPARE(TestProbe(w).resps().filter(QRegularExpression(QStringLiteral("^##"))).size(),
                 600);
    }
    void typed_during_wait_data()
    {
        // TOT_USERS typed while NEXT waits for a quiet line (-1), for its
        // answer (0) or in the pause after it (200 ms after it went out); or
        // the line lost while the typed line is held.
        QTest::addColumn<int>("typed_at");
        QTest::addColumn<bool>("lost");
        QTest::newRow("quiet line") << -1 << false;
        QTest::newRow("answer") << 0 << false;
        QTest::newRow("pause") << 200 << false;
        QTest::newRow("line lost, nothing sent") << -1 << true;
    }
    void typed_during_wait()
    {
        QFETCH(int, typed_at);
        QFETCH(bool, lost);
        FakeController fake;
        fake.set_pace(11520);
        fake.on("FIRST", listing(30));
        fake.on("NEXT", "7\n", 150);
        fake.on("TOT_USERS", "42\n");
        ModalAnswerer answerer;
        DORVAK_Admin w;
        QVERIFY(connect_window(w, fake.port()));
        auto *console = w.findChild<Console *>(QStringLiteral("console"));
        const auto type = [&] { QTest::keyClicks(console, QStringLiteral("TOT_USERS\r")); };
        connect(&fake, &FakeController::received_line, [&](const QByteArray &command) {
            if (command == "NEXT" && typed_at >= 0)
                QTimer::singleShot(typed_at, console, type);
        });
        QVERIFY(w.exchange(QStringLiteral("FIRST"), 1, 1, QString()).ok());
        if (typed_at < 0)
            QTimer::singleShot(0, console, type);
        if (lost)
            QTimer::singleShot(50, &fake, [&] { fake.hang_up(); });
        // The typed line's answer is no count of the next NEXT either.
        for (int i = 0; i < (lost ? 1 : 2); ++i)
            QCOMPARE(read_count(w.exchange("NEXT", 1, 1, QString(), Counted::numbers()).lines)
                         .value_or(0),
                     lost ? 0 : 7);
        QTRY_VERIFY(
            fake.received().startsWith(lost ? "FIRST\n" : "FIRST\nNEXT\nTOT_USERS\r\nNEXT\n"));
        QVERIFY(console->toPlainText().contains(QStringLiteral("--> TOT_USERS   (en espera)")));
        QCOMPARE(console->toPlainText().contains("-- No se envió \"TOT_USERS\""), lost);
    }

    void count_answer_data()
    {
        // The answer to the count (LU then lists two users) or to GET_PARS.
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("delay_ms");
        QTest::addColumn<QString>("status");
        const QString got = QStringLiteral("2 usuarios descargados");
        const QString odd = QStringLiteral("Respuesta inesperada del controlador a TOT_USERS");
        QByteArray pars;
        for (int n = 10; n < 26; ++n)
            pars += "## " + QByteArray::number(n - 10).rightJustified(2, '0') + " 1\n";
        // clang-format off
        QTest::newRow("count, then a status line") << QByteArray("TOT_USERS") << QByteArray("2\nDBG gsm ok\n") << 0 << got;
        QTest::newRow("status line, then the count") << QByteArray("TOT_USERS") << QByteArray("DBG gsm ok\n2\n") << 0 << got;
        QTest::newRow("two different counts") << QByteArray("TOT_USERS") << QByteArray("2\n3\n") << 0 << odd;
        QTest::newRow("no number") << QByteArray("TOT_USERS") << QByteArray("DBG gsm ok\n") << 0 << odd;
        QTest::newRow("parameters after 1.2 s") << QByteArray("GET_PARS") << pars << 1200 << "Parámetros leídos";
        QTest::newRow("parameters after 3.5 s") << QByteArray("GET_PARS") << pars << 3500 << "Sin respuesta del controlador";
        // clang-format on
    }
    void count_answer()
    {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, answer);
        QFETCH(int, delay_ms);
        FakeController fake;
        fake.on(command, answer, delay_ms);
        fake.on("LU", listing(2));
        DORVAK_Admin w;
        QVERIFY(connect_window(w, fake.port()));
        QVERIFY(TestProbe(w).invoke(command == "GET_PARS" ? "get_param" : "getUsers"));
        QTEST(w.findChild<QStatusBar *>(QStringLiteral("status_bar"))->currentMessage(), "status");
        QCOMPARE(TestProbe(w).users().size(), 2 * fake.count("LU"));
    }
};

QTEST_MAIN(TstExchange)
#include "tst_exchange.moc"
