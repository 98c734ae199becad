// The window against the real simulator process: connect, the maintenance
// commands, typed lines, disconnect and the simulator going away.
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
    void maintenance_commands_data();
    void maintenance_commands();
    void typed_line_reaches_simulator();
    void simulator_going_away();
    void disconnect_and_reconnect();
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

void TstE2eTerminal::maintenance_commands_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("command");

    // clang-format off
    QTest::newRow("print db") << "print_db_btn" << "PRINTDB";
    QTest::newRow("reset") << "reset_btn" << "RESET";
    QTest::newRow("print fat") << "print_fat_btn" << "PRINTFAT";
    QTest::newRow("default db") << "default_db_btn" << "DEFAULTDB";
    QTest::newRow("silent") << "silent_btn" << "SILENT";
    QTest::newRow("verbose") << "verbose_btn" << "VERBOSE";
    QTest::newRow("test suite") << "test_btn" << "TEST_SUITE";
    QTest::newRow("add 500 users") << "add_500_btn" << "CREATE500U";
    QTest::newRow("add 500 logs") << "add_500_logs_btn" << "CREATE500L";
    QTest::newRow("make 5000") << "make_5000_btn" << "STUM 5000";
    // clang-format on
}

void TstE2eTerminal::maintenance_commands()
{
    QFETCH(QString, button);
    QFETCH(QString, command);

    SimProcess sim({"--baud", "115200"});
    QVERIFY(sim.ok());
    ModalAnswerer answerer;
    DORVAK_Admin w;
    connect_to(w, sim.port());
    QMetaObject::invokeMethod(&w, "show_debug");
    w.findChild<QPushButton *>(button)->click();
    const QString text = w.findChild<Console *>(QStringLiteral("console"))->toPlainText();
    QVERIFY(text.contains(QStringLiteral("--> ") + command));
    // Whatever the simulator answered reached the console after the echo.
    QVERIFY(!TestProbe(w).resps().isEmpty());
    // At most the question before a command that cannot be undone.
    QVERIFY(answerer.seen().size() <= 1);
}

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

void TstE2eTerminal::simulator_going_away()
{
    SimProcess sim;
    QVERIFY(sim.ok());
    ModalAnswerer answerer;
    DORVAK_Admin w;
    connect_to(w, sim.port());
    sim.kill();
    QTRY_VERIFY(!TestProbe(w).serial()->isOpen());
    QTRY_COMPARE(answerer.seen().size(), 1);
    // No second box however many errors the dead line keeps reporting.
    QTest::qWait(300);
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen().first().title, QStringLiteral("Critical Error"));
    QVERIFY(w.findChild<QPushButton *>(QStringLiteral("connect_btn"))->isEnabled());
    QVERIFY(!w.findChild<Console *>(QStringLiteral("console"))->isEnabled());
}

void TstE2eTerminal::disconnect_and_reconnect()
{
    SimProcess sim;
    QVERIFY(sim.ok());
    DORVAK_Admin w;
    connect_to(w, sim.port());
    w.findChild<QPushButton *>(QStringLiteral("disconnect_btn"))->click();
    QVERIFY(!TestProbe(w).serial()->isOpen());
    w.findChild<QPushButton *>(QStringLiteral("connect_btn"))->click();
    QVERIFY(TestProbe(w).serial()->isOpen());
    QVERIFY(w.exchange(QStringLiteral("TOT_USERS"), 1, 2, QString()));
    QCOMPARE(TestProbe(w).resps(), QStringList{"30\n"});
}

void TstE2eTerminal::same_answers_as_another_program_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("expected");
    // clang-format off
    QTest::newRow("users") << "LU" << 30;
    QTest::newRow("parameters") << "GET_PARS" << 16;
    QTest::newRow("log") << "ENVLOG" << 100;
    QTest::newRow("next id") << "NEXT" << 1;
    QTest::newRow("unknown number") << "UD_NUM +56900000000" << 1;
    // clang-format on
}

void TstE2eTerminal::same_answers_as_another_program()
{
    QFETCH(QString, command);
    QFETCH(int, expected);
    SimProcess sim({"--crlf", "--baud", "115200"});
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
    // about a thousand; the rest is still arriving when "Obtener" is
    // pressed. The download must get the whole list all the same.
    SimProcess sim({"--users", "1000", "--baud", "115200"});
    QVERIFY(sim.ok());
    ModalAnswerer answerer;
    DORVAK_Admin w;
    TestProbe probe(w);
    connect_to(w, sim.port());
    QVERIFY(probe.invoke("getUsers"));
    QCOMPARE(probe.users().size(), 1000);
    QVERIFY(probe.invoke("printDB"));
    QTest::qWait(300);
    QVERIFY(probe.invoke("getUsers"));
    QCOMPARE(probe.users().size(), 1000);
    QVERIFY(answerer.seen().isEmpty());
}

void TstE2eTerminal::status_line_data()
{
    QTest::addColumn<QString>("buttons");
    QTest::addColumn<QString>("status");
    // clang-format off
    QTest::newRow("connected") << "" << "";
    QTest::newRow("users downloaded") << "get_users_btn" << "30 usuarios descargados";
    QTest::newRow("nothing to synchronise") << "sync_btn" << "Sincronizados 0 de 0";
    QTest::newRow("events") << "get_log_btn" << "100 eventos";
    QTest::newRow("parameters read") << "get_params_btn" << "Parámetros leídos";
    QTest::newRow("parameters written") << "get_params_btn send_params_btn" << "Parámetros grabados";
    QTest::newRow("maintenance command") << "print_fat_btn" << "Enviado: PRINTFAT";
    QTest::newRow("reset declined") << "reset_btn" << "Cancelado: RESET";
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
