// A whole run of the test-user generator: the hierarchy's shape as sent.
#include "fake_controller.h"
#include "modal_answerer.h"
#include "probe.h"

#include <QTest>

class TstGeneratorWhole : public QObject
{
    Q_OBJECT

private slots:
    void hierarchy()
    {
        // One administrator, ten users and fifty visitors for each. The
        // controller refuses every record, which leaves one exchange a
        // record; the run goes on all the same.
        FakeController fake;
        fake.on("NEXT", "100\n");
        connect(&fake, &FakeController::received_line, [&](const QByteArray &line) {
            if (line.startsWith("UU"))
                fake.send("ERROR\n");
        });
        ModalAnswerer answerer;
        answerer.queue_button(QMessageBox::Yes);
        DORVAK_Admin w;
        TestProbe probe(w);
        w.choose_port(fake.port());
        QVERIFY(probe.invoke("open"));
        QVERIFY(probe.invoke("add_5000"));
        QCOMPARE(probe.gen_count(), 511);
        int users = 0;
        for (const QByteArray &line : fake.lines())
            users += line.contains("\"USER ") ? 1 : 0;
        QCOMPARE(users, 10);
        QVERIFY(probe.show_progress());
    }
};

QTEST_MAIN(TstGeneratorWhole)
#include "tst_generator_whole.moc"
