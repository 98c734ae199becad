// The users CSV file against the real simulator: a directory made by the
// test-user generator carried through a file to a second controller, and a
// directory edited in a spreadsheet written back to its controller.
#include "modal_answerer.h"
#include "probe.h"
#include "sim_process.h"
#include "user_csv.h"
#include "user_row.h"

#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>

// The tree whatever ids the controller gave the records: each record with
// its owner's number.
QStringList tree_lines(TestProbe &probe)
{
    QStringList out;
    for (QTreeWidgetItemIterator it(probe.root()); *++it;)
        out << static_cast<UserRow *>((*it)->parent())->numero
                + csv_user_line(*static_cast<UserRow *>(*it)).section(" ; ", 2);
    out.sort();
    return out;
}

class TstE2eCsv : public QObject
{
    Q_OBJECT

private slots:
    void spreadsheet()
    {
        // Saved by a spreadsheet: ";" alone, no "+", rows in another order,
        // UTF-8 with CR LF; an accented visitor added under the first user.
        SimProcess sim;
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("u.csv"));
        ModalAnswerer answerer;
        answerer.queue_file(name);
        answerer.queue_file(name);
        DORVAK_Admin w;
        TestProbe probe(w);
        QVERIFY(sim.ok() && connect_window(w, sim.port()) && probe.invoke("getUsers"));
        QStringList expected = tree_lines(probe);
        const auto *user = static_cast<UserRow *>(probe.root()->child(0)->child(0));
        expected << user->numero + "guest ; \"Pena\" ; \"+56900000999\" ; 0 ; 8 ; 20 ; 31";
        expected.sort();
        QFile file(name);
        QVERIFY(probe.invoke("export_users") && file.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromLocal8Bit(file.readAll()).replace(" ; ", ";").split('\n');
        file.close();
        std::reverse(lines.begin() + 1, lines.end());
        lines << QStringLiteral(";%1;guest;Peña;56900000999;0;8;20;31").arg(user->id_user);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(
            "\xEF\xBB\xBF"
            + lines.join("\r\n").replace(QRegularExpression("\"\\+(\\d+)\""), "\\1").toUtf8());
        file.close();
        for (const char *slot : {"import_users", "sync_users", "getUsers"})
            QVERIFY(probe.invoke(slot));
        QCOMPARE(tree_lines(probe), expected);
        QVERIFY(answerer.texts().at(2).contains("1 nuevos, 0 modificados, 30 sin cambios"));
    }

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
        // Runs `run` on a line to `sim`; gives the tree then.
        const auto on = [&](const SimProcess &sim, std::initializer_list<const char *> run) {
            probe.invoke("close");
            w.choose_port(sim.port());
            for (const char *slot : run)
                probe.invoke(slot);
            return tree_lines(probe);
        };
        QStringList expected = on(second, {"open", "getUsers"});
        QTimer stop;
        connect(&stop, &QTimer::timeout, [&] {
            if (probe.gen_count() >= 4)
                w.findChild<QPushButton *>(QStringLiteral("stop_btn"))->click();
        });
        stop.start(1);
        on(source, {"open", "add_5000"});
        stop.stop();
        const QStringList original = on(source, {"open", "getUsers"});
        // An administrator, a user under it, visitors under that user.
        QCOMPARE(probe.root()->child(0)->text(1), QStringLiteral("Admin test"));
        QVERIFY(original.size() >= 4 && probe.root()->child(0)->child(0)->childCount() >= 2);
        for (const char *slot : {"export_users", "limpia_usuarios", "import_users"})
            probe.invoke(slot);
        expected += original;
        expected.sort();
        QCOMPARE(on(second, {"open", "sync_users", "getUsers"}), expected);
        // The generator's question, the two file dialogs and the verdict.
        QCOMPARE(answerer.seen().size(), 4);
    }
};

QTEST_MAIN(TstE2eCsv)
#include "tst_e2e_csv.moc"
