// The users CSV file against the real simulator: a directory made by the
// test-user generator carried through a file to a second controller.
#include "modal_answerer.h"
#include "probe.h"
#include "sim_process.h"
#include "user_csv.h"
#include "user_row.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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
        // The generator, stopped after a few records, writes the ids the
        // second controller's own users hold: the imported records get other
        // ids there, and what they own must follow.
        SimProcess source({"--users", "0"}), second({"--seed", "7"});
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
        QTimer stop;
        connect(&stop, &QTimer::timeout, [&] {
            if (probe.gen_count() == 4)
                w.findChild<QPushButton *>(QStringLiteral("stop_btn"))->click();
        });
        stop.start(1);
        probe.invoke("add_5000");
        stop.stop();
        const QStringList original = download(probe);
        // An administrator, a user under it, visitors under that user.
        QCOMPARE(probe.root()->child(0)->text(1), QStringLiteral("Admin test"));
        QVERIFY(original.size() >= 4 && probe.root()->child(0)->child(0)->childCount() >= 2);
        for (const char *slot : {"export_users", "limpia_usuarios", "import_users"})
            probe.invoke(slot);
        connect_to(probe, second.port());
        probe.invoke("sync_users");
        for (UserRow *u : qAsConst(probe.users()))
            QVERIFY2(!u->pending, qPrintable(u->nombre));
        expected += original;
        expected.sort();
        QCOMPARE(download(probe), expected);
        // The generator's question and the two file dialogs.
        QCOMPARE(answerer.seen().size(), 3);
    }
};

QTEST_MAIN(TstE2eCsv)
#include "tst_e2e_csv.moc"
