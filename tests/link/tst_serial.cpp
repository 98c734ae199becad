// The serial connection over a pseudo-terminal: opening, typed lines,
// lines that arrive unasked, and a line whose far end goes away.
#include "console.h"
#include "fake_controller.h"
#include "log_capture.h"
#include "modal_answerer.h"
#include "probe.h"

#include <QPushButton>
#include <QTest>

class TstSerial : public QObject
{
    Q_OBJECT

private slots:
    void open_and_close();
    void open_failure();
    void typed_line_data();
    void typed_line();
    void unsolicited_lines();
    void far_end_goes_away();
};

namespace {
QPushButton *button(DORVAK_Admin &w, const char *name)
{
    return w.findChild<QPushButton *>(QLatin1String(name));
}
} // namespace

void TstSerial::open_and_close()
{
    FakeController fake;
    QVERIFY(fake.ok());
    LogCapture log;
    DORVAK_Admin w;
    w.choose_port(fake.port());
    button(w, "connect_btn")->click();

    QSerialPort *port = TestProbe(w).serial();
    QVERIFY(port->isOpen());
    QCOMPARE(port->baudRate(), 115200);
    QCOMPARE(port->flowControl(), QSerialPort::NoFlowControl);
    QCOMPARE(w.findChild<QWidget *>(QStringLiteral("conn_bar"))->palette().color(QPalette::Window),
             QColor(Qt::green));
    QVERIFY(w.findChild<Console *>(QStringLiteral("console"))->isEnabled());
    QVERIFY(!button(w, "connect_btn")->isEnabled());
    QVERIFY(log.has(QStringLiteral("Conectado :)")));
    // A second connect (the slot run again) keeps the line open.
    QVERIFY(TestProbe(w).invoke("open"));
    QVERIFY(port->isOpen());

    button(w, "disconnect_btn")->click();
    QVERIFY(!port->isOpen());
    QVERIFY(!w.findChild<Console *>(QStringLiteral("console"))->isEnabled());
    QVERIFY(button(w, "connect_btn")->isEnabled());
}

void TstSerial::open_failure()
{
    ModalAnswerer answerer;
    LogCapture log;
    DORVAK_Admin w;
    w.choose_port(QStringLiteral("/dev/no-such-port"));
    button(w, "connect_btn")->click();
    QVERIFY(!TestProbe(w).serial()->isOpen());
    QCOMPARE(log.starting(QStringLiteral("Error de conexion : ")).size(), 1);
    QVERIFY(button(w, "connect_btn")->isEnabled());
    QTest::qWait(50);
    QVERIFY(answerer.seen().isEmpty());
}

void TstSerial::typed_line_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<int>("kept");

    // clang-format off
    QTest::newRow("two letters") << "AB" << QByteArray("AB\r\n") << 2;
    QTest::newRow("empty line") << "" << QByteArray("\r\n") << 0;
    QTest::newRow("command") << "TOT_USERS" << QByteArray("TOT_USERS\r\n") << 9;
    // clang-format on
}

void TstSerial::typed_line()
{
    QFETCH(QString, keys);
    QFETCH(QByteArray, wire);
    QFETCH(int, kept);

    FakeController fake;
    LogCapture log;
    DORVAK_Admin w;
    w.choose_port(fake.port());
    button(w, "connect_btn")->click();
    auto *console = w.findChild<Console *>(QStringLiteral("console"));
    QTest::keyClicks(console, keys);
    // Nothing goes out before Enter.
    QTest::qWait(50);
    QCOMPARE(fake.received(), QByteArray());
    QCOMPARE(log.starting(QStringLiteral("Guardando ..")).size(), kept);

    QTest::keyClick(console, Qt::Key_Return);
    QTRY_COMPARE(fake.received(), wire);
    QCOMPARE(log.starting(QStringLiteral("Enviando : ")).size(), 1);
    QCOMPARE(TestProbe(w).line_buffer(), QString());
}

void TstSerial::unsolicited_lines()
{
    FakeController fake;
    DORVAK_Admin w;
    w.choose_port(fake.port());
    button(w, "connect_btn")->click();
    auto *console = w.findChild<Console *>(QStringLiteral("console"));

    fake.send("first\nsecond\r\nthi");
    QTRY_COMPARE(TestProbe(w).resps().size(), 2);
    QCOMPARE(TestProbe(w).resps(), QStringList({"first\n", "second\r\n"}));
    QVERIFY(!console->toPlainText().contains(QStringLiteral("thi")));

    fake.send("rd\n");
    QTRY_COMPARE(TestProbe(w).resps().size(), 3);
    QCOMPARE(TestProbe(w).resps().last(), QStringLiteral("third\n"));
    QVERIFY(console->toPlainText().endsWith(QStringLiteral("third\n")));
}

void TstSerial::far_end_goes_away()
{
    FakeController fake;
    ModalAnswerer answerer;
    LogCapture log;
    DORVAK_Admin w;
    w.choose_port(fake.port());
    button(w, "connect_btn")->click();
    fake.hang_up();

    QTRY_VERIFY(!TestProbe(w).serial()->isOpen());
    QTRY_COMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen().first().title, QStringLiteral("Critical Error"));
    QVERIFY(button(w, "connect_btn")->isEnabled());
    QVERIFY(!w.findChild<Console *>(QStringLiteral("console"))->isEnabled());
    // A dead line reports errors without end while it stays open: one
    // message, and no busy loop left behind.
    const int lines = log.lines().size();
    QTest::qWait(200);
    QCOMPARE(answerer.seen().size(), 1);
    QVERIFY(log.lines().size() - lines < 5);
}

QTEST_MAIN(TstSerial)
#include "tst_serial.moc"
