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
    // The installer is told why, in Spanish.
    QCOMPARE(answerer.seen().size(), 1);
    QVERIFY(answerer.texts().first().startsWith(
        QStringLiteral("No se pudo abrir el puerto /dev/no-such-port: el dispositivo no existe")));
}

void TstSerial::typed_line_data()
{
    // In "keys", '<' is Backspace, '^' Up, '~' Down and '\r' Enter; a final
    // Enter follows them all.
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("shown"); // the end of the console before the final Enter
    QTest::addColumn<QByteArray>("wire");

    // clang-format off
    QTest::newRow("two letters") << "AB" << "AB" << QByteArray("AB\r\n");
    QTest::newRow("empty line") << "" << "" << QByteArray("\r\n");
    QTest::newRow("backspace edits") << "TOT_USERX<S" << "TOT_USERS" << QByteArray("TOT_USERS\r\n");
    QTest::newRow("backspace on nothing") << "<<A" << "A" << QByteArray("A\r\n");
    QTest::newRow("up recalls the last line") << "NEXT\r^" << "\nNEXT" << QByteArray("NEXT\r\nNEXT\r\n");
    QTest::newRow("up twice then down") << "A\rB\r^^~" << "\nB" << QByteArray("A\r\nB\r\nB\r\n");
    QTest::newRow("recalled line edited") << "NEXT\r^<<<<TOT" << "\nTOT" << QByteArray("NEXT\r\nTOT\r\n");
    // clang-format on
}

void TstSerial::typed_line()
{
    QFETCH(QString, keys);
    QFETCH(QString, shown);
    QFETCH(QByteArray, wire);

    FakeController fake;
    DORVAK_Admin w;
    w.choose_port(fake.port());
    button(w, "connect_btn")->click();
    auto *console = w.findChild<Console *>(QStringLiteral("console"));
    for (const QChar c : keys) {
        switch (c.toLatin1()) {
        case '<':
            QTest::keyClick(console, Qt::Key_Backspace);
            break;
        case '^':
            QTest::keyClick(console, Qt::Key_Up);
            break;
        case '~':
            QTest::keyClick(console, Qt::Key_Down);
            break;
        case '\r':
            QTest::keyClick(console, Qt::Key_Return);
            break;
        default:
            QTest::keyClick(console, c.toLatin1());
        }
    }
    // The line being typed is visible; nothing of it goes out before Enter.
    QVERIFY2(console->toPlainText().endsWith(shown), qPrintable(console->toPlainText()));
    QTest::qWait(50);
    const int earlier = wire.chopped(2).lastIndexOf("\r\n");
    QCOMPARE(fake.received(), earlier < 0 ? QByteArray() : wire.left(earlier + 2));

    QTest::keyClick(console, Qt::Key_Return);
    QTRY_COMPARE(fake.received(), wire);
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
