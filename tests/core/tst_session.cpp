// The controller session against a scripted controller on a pseudo-terminal,
// with shortened timings: when a command goes out, which lines are its
// answer, how long it waits, and what the user types meanwhile.
#include "core_fixture.h"

#include <QElapsedTimer>
#include <QSignalSpy>
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

QStringList texts(const QSignalSpy &spy, int argument = 0)
{
    QStringList all;
    for (const QList<QVariant> &call : spy)
        all << call.at(argument).toString();
    return all;
}

} // namespace

class TstSession : public QObject
{
    Q_OBJECT

private slots:
    void answer_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("delay_ms");
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("timeout_s");
        QTest::addColumn<int>("end"); // Reply::End
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("progress"); // labels shown while waiting
        QTest::addColumn<QStringList>("reported");

        const QStringList none{QStringLiteral("Sin respuesta del controlador")};
        const int ok = Reply::answered, late = Reply::timed_out;
        // clang-format off
        QTest::newRow("one of one") << QByteArray("7\n") << 0 << 1 << 2 << ok << QStringList{"7\n"} << QStringList() << QStringList();
        QTest::newRow("burst of three for two") << QByteArray("a\nb\nc\n") << 0 << 2 << 1 << ok << QStringList{"a\n", "b\n", "c\n"} << QStringList() << QStringList();
        QTest::newRow("expected zero, one line") << QByteArray("x\n") << 0 << 0 << 1 << ok << QStringList{"x\n"} << QStringList() << QStringList();
        QTest::newRow("too few lines, time-out zero waits a second") << QByteArray("a\n") << 0 << 4 << 0 << late << QStringList{"a\n"} << QStringList{"L : 25%"} << QStringList();
        QTest::newRow("half line never collected") << QByteArray("done\npart") << 0 << 2 << 1 << late << QStringList{"done\n"} << QStringList{"L : 50%"} << QStringList();
        QTest::newRow("no answer") << QByteArray() << 0 << 1 << 1 << late << QStringList() << QStringList() << none;
        QTest::newRow("negative time-out") << QByteArray() << 0 << 1 << -1 << late << QStringList() << QStringList() << none;
        QTest::newRow("cr lf kept") << QByteArray("OK\r\n") << 0 << 1 << 1 << ok << QStringList{"OK\r\n"} << QStringList() << QStringList();
        QTest::newRow("cut at nul") << QByteArray("AB\0CD\n", 6) << 0 << 1 << 1 << ok << QStringList{"AB"} << QStringList() << QStringList();
        // A busy controller gets the first-line time (400 ms here) however
        // short the command's own; a command that awaits nothing keeps its own.
        QTest::newRow("first line late, within the first-line time") << QByteArray("7\n") << 300 << 1 << 1 << ok << QStringList{"7\n"} << QStringList() << QStringList();
        QTest::newRow("first line later than the first-line time") << QByteArray("7\n") << 550 << 1 << 1 << late << QStringList() << QStringList() << none;
        QTest::newRow("awaiting nothing keeps its own time") << QByteArray("7\n") << 300 << 0 << 1 << late << QStringList() << QStringList() << QStringList();
        // clang-format on
    }

    void answer()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, delay_ms);
        QFETCH(int, expected);
        QFETCH(int, timeout_s);
        CoreOnLine on{paced_timings()};
        QVERIFY(on.opened);
        Session &session = on.core.session;
        if (!answer.isEmpty())
            on.fake.on("CMD", answer, delay_ms);
        QSignalSpy progress(&session, &Session::progress);
        QSignalSpy reported(&session, &Session::reported);
        QSignalSpy sent(&session, &Session::command_sent);
        const Reply reply =
            session.exchange(QStringLiteral("CMD"), expected, timeout_s, QStringLiteral("L"));
        QTEST(int(reply.end), "end");
        QTEST(reply.lines, "lines");
        QCOMPARE(session.lines(), reply.lines);
        QVERIFY(!session.busy());
        QStringList labels = texts(progress, 1);
        // The bar is given back empty at the end.
        QCOMPARE(labels.takeLast(), QString());
        QTEST(labels, "progress");
        QTEST(texts(reported), "reported");
        QCOMPARE(texts(sent), QStringList{"CMD\n"});
        QTRY_COMPARE(on.fake.received(), QByteArray("CMD\n"));
    }

    // Once the first line is in, the command's own silence ends an answer
    // that stays short of its count, however long the first line may take.
    void silence_after_the_first_line()
    {
        SessionTimings timings = paced_timings();
        timings.first_line_ms = 5000;
        CoreOnLine on{timings};
        on.fake.on("CMD", "7\n");
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(on.core.session.exchange(QStringLiteral("CMD"), 2, 1).lines, QStringList{"7\n"});
        QVERIFY2(clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
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
        // At the real line rate an answer longer than awaited is still
        // arriving when the next command is due: its lines must not be taken
        // for the next command's answer, and none of them may go unshown.
        CoreOnLine on{paced_timings()};
        on.fake.set_pace(11520);
        on.fake.on("FIRST", first);
        on.fake.on("SECOND", "7\n");
        Session &session = on.core.session;
        QByteArray shown;
        connect(&session, &Session::line_shown, [&](const QByteArray &raw) { shown += raw; });
        connect(&session, &Session::command_sent,
                [&](const QString &line) { shown += "--> " + line.toLatin1(); });
        if (!first.isEmpty())
            QVERIFY(session.exchange(QStringLiteral("FIRST"), 2, 1).ok());
        if (!before.isEmpty()) {
            on.fake.send(before);
            QTRY_VERIFY(session.device()->bytesAvailable() > 0 || shown.endsWith(before));
        }
        QVERIFY(session.exchange(QStringLiteral("SECOND"), 1, 1).ok());
        QCOMPARE(session.lines(), QStringList{"7\n"});
        // Everything is shown, in the order it arrived, and the second
        // command went out only after the first answer had ended.
        const int sent_at = int(shown.indexOf("--> SECOND"));
        QVERIFY(shown.indexOf(before + first) >= 0);
        QVERIFY(shown.indexOf(before + first) <= sent_at);
        QVERIFY(shown.indexOf("7\n", sent_at) > sent_at);
        QCOMPARE(on.fake.received(), first.isEmpty() ? QByteArray("SECOND\n") : "FIRST\nSECOND\n");
    }

    void paced_answer_is_not_cut()
    {
        // 200 records at the real line rate take a second, five times the
        // silence allowed: the exchange waits for silence, not for the clock,
        // and status lines in between do not end it before the last record.
        CoreOnLine on{paced_timings()};
        on.fake.set_pace(11520);
        on.fake.on("LU", listing(200, 7));
        const Reply reply = on.core.session.exchange(QStringLiteral("LU"), 200, 1,
                                                     QStringLiteral("L"), QStringLiteral("##"));
        QVERIFY(reply.ok());
        QCOMPARE(reply.lines.filter(QStringLiteral("## ")).size(), 200);
    }

    void handed_over_in_pieces_data()
    {
        // A UART hands the bytes over a few at a time, a millisecond apart:
        // once they come as a stream the port reports them by groups, and
        // what is left short of a group when the line pauses must still come.
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("piece");
        QTest::newRow("stream ending short of a group") << listing(3) + "7\n" << 12;
        QTest::newRow("two pieces, then the rest held") << QByteArray("## 1,2\n") << 2;
    }

    void handed_over_in_pieces()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, piece);
        CoreOnLine on{paced_timings()};
        connect(&on.fake, &FakeController::received_line, [&] {
            for (int at = 0; at < answer.size(); at += piece)
                QTimer::singleShot(at / piece, &on.fake,
                                   [&on, bytes = answer.mid(at, piece)] { on.fake.send(bytes); });
        });
        const Reply reply =
            on.core.session.exchange(QStringLiteral("CMD"), int(answer.count('\n')), 1);
        QVERIFY(reply.ok());
        QCOMPARE(reply.lines.join(QString()).toLatin1(), answer);
    }

    void typed_during_wait_data()
    {
        // TOT_USERS typed while NEXT waits for a quiet line (-1), for its
        // answer (0) or in the pause after it (10 ms after its answer); or
        // the line lost while the typed line is held.
        QTest::addColumn<int>("typed_at");
        QTest::addColumn<bool>("lost");
        QTest::newRow("quiet line") << -1 << false;
        QTest::newRow("answer") << 0 << false;
        QTest::newRow("pause") << 40 << false;
        QTest::newRow("line lost, nothing sent") << -1 << true;
    }

    void typed_during_wait()
    {
        QFETCH(int, typed_at);
        QFETCH(bool, lost);
        CoreOnLine on{paced_timings()};
        on.fake.set_pace(11520);
        on.fake.on("FIRST", listing(30));
        on.fake.on("NEXT", "7\n", 30);
        on.fake.on("TOT_USERS", "42\n");
        Session &session = on.core.session;
        QSignalSpy held(&session, &Session::line_held);
        QSignalSpy notes(&session, &Session::note);
        const auto type = [&] { session.type_line(QStringLiteral("TOT_USERS")); };
        connect(&on.fake, &FakeController::received_line, [&](const QByteArray &command) {
            if (command == "NEXT" && typed_at >= 0 && held.isEmpty())
                QTimer::singleShot(typed_at, &session, type);
        });
        QVERIFY(session.exchange(QStringLiteral("FIRST"), 1, 1).ok());
        if (typed_at < 0)
            QTimer::singleShot(0, &session, type);
        if (lost)
            QTimer::singleShot(10, &on.fake, [&] { on.fake.hang_up(); });
        // The typed line's answer is no count of the next NEXT either.
        for (int i = 0; i < (lost ? 1 : 2); ++i)
            QCOMPARE(read_count(session.exchange("NEXT", 1, 1, QString(), Counted::numbers()).lines)
                         .value_or(0),
                     lost ? 0 : 7);
        QTRY_VERIFY(
            on.fake.received().startsWith(lost ? "FIRST\n" : "FIRST\nNEXT\nTOT_USERS\r\nNEXT\n"));
        QCOMPARE(texts(held), QStringList{"TOT_USERS"});
        QCOMPARE(texts(notes).contains("No se envió \"TOT_USERS\": el puerto está cerrado"), lost);
    }

    void ended_early_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("end");
        QTest::addColumn<bool>("sent");
        QTest::newRow("stopped while waiting for the answer")
            << "stop" << int(Reply::stopped) << true;
        QTest::newRow("stopped while waiting for a quiet line")
            << "stop quiet" << int(Reply::stopped) << false;
        QTest::newRow("line lost") << "hang up" << int(Reply::line_lost) << true;
        QTest::newRow("line closed before") << "closed" << int(Reply::port_closed) << false;
    }

    void ended_early()
    {
        QFETCH(QString, how);
        // A controller that never answers: the exchange would wait out its
        // time. A stop or a loss ends it at once.
        CoreOnLine on{paced_timings()};
        Session &session = on.core.session;
        QSignalSpy lost(&session, &Session::line_lost);
        QSignalSpy closed(&session, &Session::port_closed);
        QSignalSpy connected(&session, &Session::connected);
        if (how == "closed")
            session.close();
        if (how == "stop quiet") {
            // What keeps arriving of a long answer holds the command back.
            on.fake.set_pace(2000);
            on.fake.on("FIRST", listing(40));
            QVERIFY(session.exchange(QStringLiteral("FIRST"), 1, 1).ok());
            QTimer::singleShot(50, &session, [&] { session.stop(); });
        }
        connect(&on.fake, &FakeController::received_line, [&](const QByteArray &command) {
            if (command != "CMD")
                return;
            if (how == "stop")
                session.stop();
            else if (how == "hang up")
                on.fake.hang_up();
        });
        QElapsedTimer clock;
        clock.start();
        const Reply reply = session.exchange(QStringLiteral("CMD"), 1, 10);
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QTEST(int(reply.end), "end");
        QTEST(reply.sent, "sent");
        QCOMPARE(session.stopped(), how.startsWith("stop"));
        QCOMPARE(lost.size(), int(how == "hang up"));
        QCOMPARE(closed.size(), int(how == "closed"));
        QCOMPARE(session.is_open(), how.startsWith("stop"));
        if (how == "hang up")
            QCOMPARE(connected.first().first().toBool(), false);
    }
};

QTEST_GUILESS_MAIN(TstSession)
#include "tst_session.moc"
