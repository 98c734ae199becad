// The users CSV file against the real simulator: a directory made by the
// test-user generator carried through a file, edited as a spreadsheet saves
// it, to a second controller.
#include "modal_answerer.h"
#include "probe.h"
#include "sim_process.h"
#include "user_csv.h"
#include "user_row.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>

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
        probe.fast();
        // Runs `run` on a line to `sim`. Gives the tree then, whatever ids
        // the controller gave the records: each record with its owner's number.
        const auto on = [&](const SimProcess &sim, std::initializer_list<const char *> run) {
            probe.invoke("close");
            w.choose_port(sim.port());
            for (const char *slot : run)
                probe.invoke(slot);
            QStringList out;
            for (QTreeWidgetItemIterator it(probe.root()); *++it;)
                out << static_cast<UserRow *>((*it)->parent())->numero
                        + csv_user_line(*static_cast<UserRow *>(*it)).section(" ; ", 2);
            out.sort();
            return out;
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
        // Saved by a spreadsheet: ";" alone, no quotes, no "+", rows in
        // another order, UTF-8 with CR LF; an accented visitor added under
        // the first user.
        const auto *user = static_cast<UserRow *>(probe.root()->child(0)->child(0));
        expected << user->numero + "guest ; \"Pena\" ; \"+56900000999\" ; 0 ; 8 ; 20 ; 31";
        QFile file(dir.filePath(QStringLiteral("usuarios.csv")));
        QVERIFY(probe.invoke("export_users") && file.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromLocal8Bit(file.readAll()).replace(" ; ", ";").split('\n');
        std::reverse(lines.begin() + 1, lines.end());
        lines << QStringLiteral("0;%1;guest;Peña;56900000999;0;8;20;31").arg(user->id_user);
        file.close();
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("\xEF\xBB\xBF" + lines.join("\r\n").remove('"').remove('+').toUtf8());
        file.close();
        for (const char *slot : {"limpia_usuarios", "import_users"})
            probe.invoke(slot);
        expected += original;
        expected.sort();
        // The second controller's own people stay.
        answerer.queue_button(QMessageBox::No);
        QCOMPARE(on(second, {"open", "sync_users", "getUsers"}), expected);
        // The generator's question, the two file dialogs, the import's verdict,
        // whom the controller holds that the list lacks (kept) and
        // Sincronizar's preview.
        QCOMPARE(answerer.seen().size(), 6);
        QVERIFY(answerer.texts().at(3).contains(" 0 modificados, 0 sin cambios."));
        QVERIFY(answerer.texts().at(4).contains(" guarda 30 personas que la lista no tiene."));
    }
};

QTEST_MAIN(TstE2eCsv)
#include "tst_e2e_csv.moc"
