// The users CSV file and the test-user generator against the real
// simulator: a directory carried through a file to a second controller, and
// a generated hierarchy as the controller keeps it.
#include "modal_answerer.h"
#include "probe.h"
#include "sim_process.h"
#include "user_csv.h"
#include "user_row.h"

#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

void connect_to(TestProbe probe, const QString &port)
{
    probe.invoke("close");
    probe.w.choose_port(port);
    probe.invoke("open");
}

// The controller's directory as downloaded into the window's tree, whatever
// ids it gave the records: each record with its owner's number.
QStringList download(TestProbe probe)
{
    probe.invoke("getUsers");
    QStringList out;
    for (QTreeWidgetItemIterator it(probe.root()); *++it;)
        out << static_cast<UserRow *>((*it)->parent())->numero
                + csv_user_line(*static_cast<UserRow *>(*it)).section(QStringLiteral(" ; "), 2);
    out.sort();
    return out;
}

} // namespace

class TstE2eCsv : public QObject
{
    Q_OBJECT

private slots:
    void round_trip()
    {
        // The second controller's own users hold the file's ids: the imported
        // records get other ids there, and what they own must follow.
        SimProcess source, second({"--seed", "7"});
        QVERIFY(source.ok() && second.ok());
        QTemporaryDir dir;
        ModalAnswerer answerer;
        answerer.queue_file(dir.filePath(QStringLiteral("usuarios")));
        answerer.queue_file(dir.filePath(QStringLiteral("usuarios.csv")));
        DORVAK_Admin w;
        TestProbe probe(w);
        connect_to(probe, second.port());
        QStringList expected = download(probe);
        connect_to(probe, source.port());
        const QStringList original = download(probe);
        QVERIFY(original.size() >= 30);
        for (const char *slot : {"export_users", "limpia_usuarios", "import_users"})
            probe.invoke(slot);
        connect_to(probe, second.port());
        probe.invoke("sync_users");
        for (UserRow *u : qAsConst(probe.users()))
            QVERIFY2(!u->pending, qPrintable(u->nombre));
        expected += original;
        expected.sort();
        QCOMPARE(download(probe), expected);
        QCOMPARE(answerer.seen().size(), 2);
    }

    void generator()
    {
        SimProcess sim({"--users", "0"});
        QVERIFY(sim.ok());
        ModalAnswerer answerer;
        DORVAK_Admin w;
        TestProbe probe(w);
        connect_to(probe, sim.port());
        int highest = 0;
        connect(w.findChild<QProgressBar *>(QStringLiteral("progress")),
                &QProgressBar::valueChanged, [&](int value) { highest = qMax(highest, value); });
        probe.invoke("add_5000");
        QCOMPARE(highest, 100);

        // One administrator "Admin test", ten users under it, fifty visitors
        // under each of them, and nothing else.
        QCOMPARE(download(probe).size(), 511);
        QTreeWidgetItem *admin = probe.root()->child(0);
        QCOMPARE(admin->text(1), QStringLiteral("Admin test"));
        QCOMPARE(admin->childCount(), 10);
        for (int i = 0; i < 10; ++i)
            QCOMPARE(admin->child(i)->childCount(), 50);
        QCOMPARE(answerer.seen().size(), 1); // the question before the run
    }
};

QTEST_MAIN(TstE2eCsv)
#include "tst_e2e_csv.moc"
