// A long download cut short at the real line rate, by a pulled cable or by
// "Detener": what the window held stays exactly as it was, and the installer
// is told once.
#include "modal_answerer.h"
#include "probe.h"
#include "sim_process.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

class TstE2eInterrupted : public QObject
{
    Q_OBJECT

private slots:
    void cut_short_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("pulled"); // the cable, else "Detener"
        // clang-format off
        QTest::newRow("users, cable pulled") << "get_users_btn" << true;
        QTest::newRow("users, stopped") << "get_users_btn" << false;
        QTest::newRow("log, cable pulled") << "get_log_btn" << true;
        QTest::newRow("log, stopped") << "get_log_btn" << false;
        // clang-format on
    }

    void cut_short()
    {
        QFETCH(QString, button);
        QFETCH(bool, pulled);
        SimProcess sim({"--baud", "115200", "--users", "90", "--logs", "90"});
        ModalAnswerer answerer;
        DORVAK_Admin w;
        TestProbe probe(w);
        QVERIFY(connect_window(w, sim.port()));
        QAbstractItemModel *log = w.findChild<QTableView *>(QStringLiteral("log_table"))->model();
        const auto held = [&] {
            return QStringLiteral("%1 usuarios, %2 eventos")
                .arg(probe.users().size())
                .arg(log->rowCount());
        };
        w.findChild<QPushButton *>(button)->click();
        const QString before = held();
        QVERIFY(before != QStringLiteral("0 usuarios, 0 eventos"));
        // The second download is cut once a sixth of its answer is in; until
        // its command goes out, the first one's 90 lines are still there.
        QTimer cut;
        connect(&cut, &QTimer::timeout, [&] {
            if (!probe.busy() || probe.resps().size() < 15 || probe.resps().size() > 60)
                return;
            cut.stop();
            if (pulled)
                sim.kill();
            else
                w.findChild<QPushButton *>(QStringLiteral("stop_btn"))->click();
        });
        cut.start(1);
        w.findChild<QPushButton *>(button)->click();
        QVERIFY(!cut.isActive());
        QCOMPARE(held(), before);
        QVERIFY(w.findChild<QPlainTextEdit *>(QStringLiteral("console"))
                    ->toPlainText()
                    .contains(QStringLiteral("Descarga incompleta: ")));
        // No box but the lost line's own.
        QCOMPARE(answerer.texts().size(), int(pulled));
    }
};

QTEST_MAIN(TstE2eInterrupted)
#include "tst_e2e_interrupted.moc"
