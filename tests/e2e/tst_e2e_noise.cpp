// Reads against the simulator at the real line rate with status lines
// interleaved in every answer, counts included.
#include "modal_answerer.h"
#include "probe.h"
#include "sim_process.h"

#include <QStatusBar>
#include <QTableWidget>
#include <QtTest>

class TstE2eNoise : public QObject
{
    Q_OBJECT

private slots:
    void ten_reads_each()
    {
        SimProcess sim({"--baud", "115200", "--noise", "--users", "20", "--logs", "40"});
        ModalAnswerer answerer;
        DORVAK_Admin w;
        QVERIFY(connect_window(w, sim.port()));
        TestProbe probe(w);
        const QStringList expected{"20 usuarios descargados", "40 eventos", "Parámetros leídos"};
        for (int round = 0; round < 10; ++round) {
            for (int i = 0; i < 3; ++i) {
                w.statusBar()->clearMessage();
                probe.invoke(i == 0 ? "getUsers" : i == 1 ? "getLog" : "get_param");
                QCOMPARE(w.statusBar()->currentMessage(), expected.at(i));
            }
        }
        QCOMPARE(w.findChild<QTableWidget *>("log_table")->rowCount(), 40);
        QVERIFY(answerer.seen().isEmpty());
    }
};

QTEST_MAIN(TstE2eNoise)
#include "tst_e2e_noise.moc"
