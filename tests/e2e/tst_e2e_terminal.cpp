// The window against the real simulator process: the status line after
// each kind of operation.
#include "modal_answerer.h"
#include "probe.h"
#include "sim_process.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
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
        QTest::addColumn<QString>("sim_args"); // options of the simulator
        // Status lines mixed into every answer, counts included, at the
        // line's real rate: six reads of each kind without a failure.
        // clang-format off
        QTest::newRow("connected") << "" << "" << "";
        QTest::newRow("parameters left as read") << "get_params_btn send_params_btn" << "Ningún parámetro cambió: no se grabó nada" << "";
        QTest::newRow("maintenance command") << "print_fat_btn" << "Enviado: PRINTFAT" << "";
        QTest::newRow("reset declined") << "reset_btn" << "Cancelado: RESET" << "";
        QTest::newRow("noisy line") << QString("get_users_btn get_log_btn get_params_btn ").repeated(6) << "Parámetros leídos" << "--noise --baud 115200 --users 20 --logs 40";
        // clang-format on
    }

    void status_line()
    {
        QFETCH(QString, buttons);
        QFETCH(QString, sim_args);
        SimProcess sim(sim_args.split(' ', Qt::SkipEmptyParts));
        QVERIFY(sim.ok());
        ModalAnswerer answerer;
        answerer.queue_button(QMessageBox::No);
        DORVAK_Admin w;
        QVERIFY(connect_window(w, sim.port()));
        QCOMPARE(w.findChild<QLabel *>(QStringLiteral("status_port"))->text(),
                 QStringLiteral("Conectado a ") + sim.port() + QStringLiteral(", 115200 8N1"));
        QVERIFY(w.windowTitle().contains(sim.port()));
        QStringList seen;
        connect(w.statusBar(), &QStatusBar::messageChanged,
                [&](const QString &text) { seen << text; });
        for (const QString &button : buttons.split(' ', Qt::SkipEmptyParts))
            w.findChild<QPushButton *>(button)->click();
        QTEST(w.findChild<QStatusBar *>(QStringLiteral("status_bar"))->currentMessage(), "status");
        // Every read ended in its own success.
        QCOMPARE(seen.filter(QRegularExpression("descargados|eventos$|leídos")).size(),
                 buttons.count("get_"));
    }
};

QTEST_MAIN(TstE2eTerminal)
#include "tst_e2e_terminal.moc"
