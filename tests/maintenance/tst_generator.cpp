// The bulk test-user generator on the wire: ids, names, numbers and owners
// as sent, a closed port, and a line that goes away in the middle of a run.
#include "console.h"
#include "fake_controller.h"
#include "modal_answerer.h"
#include "probe.h"
#include "sim_process.h"

#include <QProgressBar>
#include <QPushButton>

#include <QTest>
#include <QTimer>

class TstGenerator : public QObject
{
    Q_OBJECT

private slots:
    void run_data()
    {
        QTest::addColumn<QByteArray>("next");  // the answer to NEXT, if any
        QTest::addColumn<QStringList>("sent"); // the line goes at the last; none: port closed
        // The controller keeps each record under its id plus 100000: owners
        // are named by the ids it kept, and later ids start above them.
        // clang-format off
        QTest::newRow("NEXT 100") << QByteArray("100\n") << QStringList{
            " UU 101 1 \"Admin test\" +56100000101 100 0 0 24 255",
            " UU 100103 2 \"USER 100103\" +562000100103 100101 0 0 24 255",
            " UU 200105 3 \"GUEST 200105\" +562000200105 200103 0 0 24 255"};
        // Right after start-up the root has taken 0.
        QTest::newRow("no answer to NEXT") << QByteArray() << QStringList{
            " UU 2 1 \"Admin test\" +56100000002 1 0 0 24 255",
            " UU 100004 2 \"USER 100004\" +562000100004 100002 0 0 24 255",
            " UU 200006 3 \"GUEST 200006\" +562000200006 200004 0 0 24 255"};
        QTest::newRow("closed port") << QByteArray() << QStringList();
        // clang-format on
    }
    void run()
    {
        QFETCH(QByteArray, next);
        QFETCH(QStringList, sent);
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
        // NEXT, two lines for each record answered, and the last upload.
        QTimer hang;
        connect(&hang, &QTimer::timeout, [&] {
            if (fake.lines().size() >= 2 * sent.size())
                fake.hang_up();
        });
        hang.start(1);
        ModalAnswerer answerer;
        answerer.queue_button(QMessageBox::Yes);
        DORVAK_Admin w;
        TestProbe probe(w);
        w.choose_port(fake.port());
        QVERIFY(sent.isEmpty() || probe.invoke("open"));
        QVERIFY(probe.invoke("add_5000"));

        for (const QString &line : sent)
            QCOMPARE(fake.count(line.trimmed().toLatin1()), 1);
        // The question, then one message: the closed port's (which comes
        // before any question), or the lost line's rather than a
        // closed-port message for each record left.
        QCOMPARE(answerer.seen().size(), sent.isEmpty() ? 1 : 2);
        QCOMPARE(answerer.count(QStringLiteral("El puerto está cerrado")), int(sent.isEmpty()));
        QCOMPARE(probe.gen_count(), sent.size());
        QVERIFY(probe.show_progress());
    }

    void stopped_between_records()
    {
        // At the real line rate against the simulator: "Detener" ends the
        // run between two records and nothing more goes out.
        SimProcess sim({"--baud", "115200"});
        QVERIFY(sim.ok());
        ModalAnswerer answerer;
        answerer.queue_button(QMessageBox::Yes);
        DORVAK_Admin w;
        TestProbe probe(w);
        w.choose_port(sim.port());
        QVERIFY(probe.invoke("open"));
        auto *console = w.findChild<Console *>(QStringLiteral("console"));
        int sent_at_stop = -1;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            if (probe.gen_count() >= 5) {
                watch.stop();
                sent_at_stop = console->toPlainText().count(QStringLiteral("--> "));
                w.findChild<QPushButton *>(QStringLiteral("stop_btn"))->click();
            }
        });
        watch.start(1);
        QVERIFY(probe.invoke("add_5000"));
        QVERIFY(sent_at_stop > 0);
        QTest::qWait(300);
        QCOMPARE(console->toPlainText().count(QStringLiteral("--> ")), sent_at_stop);
        QVERIFY(console->toPlainText().contains(QStringLiteral("Generador detenido tras ")
                                                + QString::number(probe.gen_count())));
        QVERIFY(probe.gen_count() < 10);
        QVERIFY(probe.show_progress());
        QCOMPARE(w.findChild<QProgressBar *>(QStringLiteral("progress"))->value(), 0);
    }
};

QTEST_MAIN(TstGenerator)
#include "tst_generator.moc"
