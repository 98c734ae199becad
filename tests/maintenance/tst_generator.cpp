// The bulk test-user generator on the wire: ids, names, numbers and owners
// as sent, a closed port, and a run ended by a lost line or by "Detener".
#include "console.h"
#include "fake_controller.h"
#include "modal_answerer.h"
#include "probe.h"

#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

class TstGenerator : public QObject
{
    Q_OBJECT

private slots:
    // The records of a run in the order written, each with the place of its
    // owner in the run.
    void run_data()
    {
        QTest::addColumn<QByteArray>("next");  // the answer to NEXT, if any
        QTest::addColumn<QStringList>("sent"); // the run ends at the last; none: port closed
        QTest::addColumn<bool>("stop");        // ended by "Detener", else the line goes

        // The controller keeps each record under its id plus 100000: owners
        // are named by the ids it kept, and later ids start above them.
        const QStringList next_100{" UU 101 1 \"Admin test\" +56100000101 100 0 0 24 255",
                                   " UU 100103 2 \"USER 100103\" +562000100103 100101 0 0 24 255",
                                   " UU 200105 3 \"GUEST 200105\" +562000200105 200103 0 0 24 255"};
        // clang-format off
        QTest::newRow("NEXT 100, line lost") << QByteArray("100\n") << next_100 << false;
        QTest::newRow("NEXT 100, stopped") << QByteArray("100\n") << next_100 << true;
        // Right after start-up the root has taken 0.
        QTest::newRow("no answer to NEXT") << QByteArray() << QStringList{
            " UU 2 1 \"Admin test\" +56100000002 1 0 0 24 255",
            " UU 100004 2 \"USER 100004\" +562000100004 100002 0 0 24 255"} << false;
        QTest::newRow("closed port") << QByteArray() << QStringList() << false;
        // clang-format on
    }
    void run()
    {
        QFETCH(QByteArray, next);
        QFETCH(QStringList, sent);
        QFETCH(bool, stop);
        FakeController fake;
        fake.on("NEXT", next);
        for (const QString &line : sent.mid(0, sent.size() - 1)) {
            // The stored record carries what was sent, under the other id.
            const QStringList f = line.section('"', 2).split(' ', Qt::SkipEmptyParts);
            const QString id = QString::number(line.section(' ', 2, 2).toInt() + 100000);
            const QString code = line.section(' ', 3, 3);
            const QString owner = code == "1" ? id : f[1];
            fake.on(line.trimmed().toLatin1(), "## OK\n");
            fake.on("UD_NUM " + f[0].toLatin1(),
                    QStringLiteral("## %1,%2,\"%3\",%4,%5,%6,0,0,%7,%8,%9\n")
                        .arg(id, code, line.section('"', 1, 1), f[0], owner, f[2], f[3], f[4], f[5])
                        .toLatin1());
        }
        ModalAnswerer answerer;
        answerer.queue_button(QMessageBox::Yes);
        DORVAK_Admin w;
        TestProbe probe(w);
        probe.fast();
        // NEXT, two lines for each record answered, and the last upload.
        connect(&fake, &FakeController::received_line, [&] {
            if (fake.lines().size() < 2 * sent.size())
                return;
            if (stop)
                w.findChild<QPushButton *>(QStringLiteral("stop_btn"))->click();
            else
                fake.hang_up();
        });
        w.choose_port(fake.port());
        QVERIFY(sent.isEmpty() || probe.invoke("open"));
        // The bar is the generator's alone: an exchange's own would send it
        // back to 0 after every record.
        QSignalSpy exchange_bar(&probe.session(), &Session::progress);
        QVERIFY(probe.invoke("add_5000"));
        QCOMPARE(exchange_bar.size(), 0);

        // Nothing more went out after the end.
        QCOMPARE(fake.lines().size(), 2 * sent.size());
        for (const QString &line : sent)
            QCOMPARE(fake.count(line.trimmed().toLatin1()), 1);
        // The question, then one message: the closed port's (which comes
        // before any question), or the lost line's rather than a
        // closed-port message for each record left.
        QCOMPARE(answerer.seen().size(), sent.isEmpty() || stop ? 1 : 2);
        QCOMPARE(answerer.count(QStringLiteral("El puerto está cerrado")), int(sent.isEmpty()));
        QCOMPARE(probe.gen_count(), sent.size());
        QCOMPARE(w.findChild<Console *>(QStringLiteral("console"))
                     ->toPlainText()
                     .contains(QStringLiteral("Generador detenido tras %1 registros enviados")
                                   .arg(sent.size())),
                 stop);
        QVERIFY(probe.show_progress());
        QVERIFY(w.findChild<QProgressBar *>(QStringLiteral("progress"))->value() <= 0);
    }
};

QTEST_MAIN(TstGenerator)
#include "tst_generator.moc"
