// The window against the real simulator process: typed lines, answers as
// another program gets them, a longer answer at the real line rate, and the
// status line after each kind of operation.
#include "console.h"
#include "log_capture.h"
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
    void typed_line_reaches_simulator();
    void same_answers_as_another_program_data();
    void same_answers_as_another_program();
    void longer_answer_does_not_leak_into_next();
    void status_line_data();
    void status_line();

private:
    static void connect_to(DORVAK_Admin &w, const QString &port)
    {
        w.choose_port(port);
        w.findChild<QPushButton *>(QStringLiteral("connect_btn"))->click();
        QVERIFY(TestProbe(w).serial()->isOpen());
    }
};

void TstE2eTerminal::typed_line_reaches_simulator()
{
    SimProcess sim;
    QVERIFY(sim.ok());
    DORVAK_Admin w;
    connect_to(w, sim.port());
    auto *console = w.findChild<Console *>(QStringLiteral("console"));
    // Typed in the console, with CR LF: the simulator answers like a command.
    QTest::keyClicks(console, QStringLiteral("TOT_USERS"));
    QTest::keyClick(console, Qt::Key_Return);
    QTRY_VERIFY(!TestProbe(w).resps().isEmpty());
    QCOMPARE(TestProbe(w).resps().last().trimmed(), QStringLiteral("30"));
}

void TstE2eTerminal::same_answers_as_another_program_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("expected");
    // clang-format off
    QTest::newRow("users") << "LU" << 30;
    QTest::newRow("log") << "ENVLOG" << 100;
    // clang-format on
}

void TstE2eTerminal::same_answers_as_another_program()
{
    QFETCH(QString, command);
    QFETCH(int, expected);
    SimProcess sim({"--crlf"});
    QVERIFY(sim.ok());
    // Another program on the same line first, then the tool.
    const QStringList direct = sim.query(command);
    QCOMPARE(direct.size(), expected);

    DORVAK_Admin w;
    connect_to(w, sim.port());
    QVERIFY(w.exchange(command, expected, 2, QString()));
    QStringList through_tool;
    for (const QString &line : TestProbe(w).resps()) {
        QVERIFY(line.endsWith(QStringLiteral("\r\n")));
        through_tool << line.chopped(2);
    }
    QCOMPARE(through_tool, direct);
}

void TstE2eTerminal::longer_answer_does_not_leak_into_next()
{
    // At the line's real rate, "Print DB" awaits 52 lines of an answer of
    // about two hundred; the rest is still arriving when "Obtener" is
    // pressed. The download must get the whole list all the same.
    SimProcess sim({"--users", "200", "--baud", "115200"});
    QVERIFY(sim.ok());
    ModalAnswerer answerer;
    DORVAK_Admin w;
    TestProbe probe(w);
    connect_to(w, sim.port());
    QVERIFY(probe.invoke("printDB"));
    QVERIFY(probe.invoke("getUsers"));
    QCOMPARE(probe.users().size(), 200);
    QVERIFY(answerer.seen().isEmpty());
}

void TstE2eTerminal::status_line_data()
{
    QTest::addColumn<QString>("buttons");
    QTest::addColumn<QString>("status");
    // clang-format off
    QTest::newRow("connected") << "" << "";
    QTest::newRow("users downloaded") << "get_users_btn" << "30 usuarios descargados";
    QTest::newRow("events") << "get_log_btn" << "100 eventos";
    QTest::newRow("parameters written") << "get_params_btn send_params_btn" << "Parámetros grabados";
    // clang-format on
}

void TstE2eTerminal::status_line()
{
    QFETCH(QString, buttons);
    SimProcess sim;
    QVERIFY(sim.ok());
    ModalAnswerer answerer;
    answerer.queue_button(QMessageBox::No);
    DORVAK_Admin w;
    connect_to(w, sim.port());
    QCOMPARE(w.findChild<QLabel *>(QStringLiteral("status_port"))->text(),
             QStringLiteral("Conectado a ") + sim.port() + QStringLiteral(", 115200 8N1"));
    QVERIFY(w.windowTitle().contains(sim.port()));
    for (const QString &button : buttons.split(' ', Qt::SkipEmptyParts))
        w.findChild<QPushButton *>(button)->click();
    QTEST(w.findChild<QStatusBar *>(QStringLiteral("status_bar"))->currentMessage(), "status");
}

QTEST_MAIN(TstE2eTerminal)
#include "tst_e2e_terminal.moc"
