// The window against the real simulator process: the status line after
// each kind of operation.
#include "modal_answerer.h"
#include "probe.h"
#include "sim_process.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

class TstE2eTerminal : public QObject
{
    Q_OBJECT

private slots:
    void status_line_data()
    {
        QTest::addColumn<QString>("buttons");
        QTest::addColumn<QString>("status");
        // clang-format off
        QTest::newRow("connected") << "" << "";
        QTest::newRow("users downloaded") << "get_users_btn" << "30 usuarios descargados";
        QTest::newRow("events") << "get_log_btn" << "100 eventos descargados";
        QTest::newRow("parameters written") << "get_params_btn send_params_btn" << "Parámetros grabados";
        QTest::newRow("maintenance command") << "print_fat_btn" << "Enviado: PRINTFAT";
        QTest::newRow("reset declined") << "reset_btn" << "Cancelado: RESET";
        // clang-format on
    }

    void status_line()
    {
        QFETCH(QString, buttons);
        SimProcess sim;
        QVERIFY(sim.ok());
        ModalAnswerer answerer;
        answerer.queue_button(QMessageBox::No);
        DORVAK_Admin w;
        QVERIFY(connect_window(w, sim.port()));
        QCOMPARE(w.findChild<QLabel *>(QStringLiteral("status_port"))->text(),
                 QStringLiteral("Conectado a ") + sim.port() + QStringLiteral(", 115200 8N1"));
        QVERIFY(w.windowTitle().contains(sim.port()));
        for (const QString &button : buttons.split(' ', Qt::SkipEmptyParts))
            w.findChild<QPushButton *>(button)->click();
        QTEST(w.findChild<QStatusBar *>(QStringLiteral("status_bar"))->currentMessage(), "status");
    }
};

QTEST_MAIN(TstE2eTerminal)
#include "tst_e2e_terminal.moc"
