// The serial connection over a pseudo-terminal: opening, typed lines, and a
// line whose far end goes away.
#include "console.h"
#include "controller_commands.h"
#include "fake_controller.h"
#include "log_capture.h"
#include "modal_answerer.h"
#include "port_combo.h"
#include "port_watch.h"
#include "probe.h"

#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {
QPushButton *button(DORVAK_Admin &w, const char *name)
{
    return w.findChild<QPushButton *>(QLatin1String(name));
}

// Conectar is offered exactly while the port is closed, Desconectar and
// the console's typing exactly while it is open.
bool offered_as(DORVAK_Admin &w, bool open)
{
    return TestProbe(w).is_open() == open && button(w, "connect_btn")->isEnabled() != open
        && button(w, "disconnect_btn")->isEnabled() == open
        && w.findChild<Console *>(QStringLiteral("console"))->isEnabled() == open;
}
} // namespace

class TstSerial : public QObject
{
    Q_OBJECT

private slots:
    void open_and_close()
    {
        FakeController fake;
        LogCapture log;
        ModalAnswerer answerer;
        DORVAK_Admin w;
        w.choose_port(fake.port());
        auto *bar = w.findChild<QWidget *>(QStringLiteral("conn_bar"));
        QVERIFY(offered_as(w, false));
        for (int round = 0; round < 2; ++round) {
            button(w, "connect_btn")->click();
            QSerialPort *port = TestProbe(w).serial();
            QVERIFY(port && port->isOpen());
            QCOMPARE(port->baudRate(), 115200);
            QCOMPARE(bar->palette().color(QPalette::Window), QColor(Qt::green));
            QCOMPARE(bar->property("connected"), QVariant(true));
            QVERIFY(offered_as(w, true));
            // A second connect keeps the line open, and an error that is not
            // a lost line leaves it alone.
            QVERIFY(TestProbe(w).invoke("open"));
            QVERIFY(!port->open(QIODevice::ReadWrite));
            QVERIFY(port->isOpen());
            button(w, "disconnect_btn")->click();
            QVERIFY(!port->isOpen());
            QCOMPARE(bar->property("connected"), QVariant(false));
            QVERIFY(offered_as(w, false));
        }
        QCOMPARE(log.starting(QStringLiteral("Conectado :)")).size(), 2);
        QVERIFY(answerer.seen().isEmpty());
    }

    void open_failure()
    {
        ModalAnswerer answerer;
        DORVAK_Admin w;
        connect_window(w, QStringLiteral("/dev/no-such-port"));
        QVERIFY(offered_as(w, false));
        // The installer is told why, in Spanish.
        QCOMPARE(answerer.texts().size(), 1);
        QVERIFY(answerer.texts().first().startsWith(QStringLiteral(
            "No se pudo abrir el puerto /dev/no-such-port: el dispositivo no existe")));
    }

    void typed_line_data()
    {
        // In "keys", '<' is Backspace, '^' Up, '~' Down, '>' Tab and '\r'
        // Enter; a final Enter follows them all.
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("shown"); // the end of the console before the final Enter
        QTest::addColumn<QByteArray>("wire");
        // clang-format off
        QTest::newRow("backspace edits") << "TOT_USERX<S" << "TOT_USERS" << QByteArray("TOT_USERS\r\n");
        QTest::newRow("backspace on nothing") << "<<A" << "A" << QByteArray("A\r\n");
        QTest::newRow("up twice then down") << "A\rB\r^^~" << "\nB" << QByteArray("A\r\nB\r\nB\r\n");
        QTest::newRow("recalled line edited") << "NEXT\r^<<<<TOT" << "\nTOT" << QByteArray("NEXT\r\nTOT\r\n");
        QTest::newRow("tab completes the name") << "tot_u>" << "TOT_USERS" << QByteArray("TOT_USERS\r\n");
        QTest::newRow("tab, then the arguments") << "ud>+569" << "UD_NUM +569" << QByteArray("UD_NUM +569\r\n");
        QTest::newRow("question mark not sent") << "?\rNEXT" << "NEXT" << QByteArray("NEXT\r\n");
        // clang-format on
    }
    void typed_line()
    {
        QFETCH(QString, keys);
        QFETCH(QString, shown);
        QFETCH(QByteArray, wire);
        FakeController fake;
        DORVAK_Admin w;
        connect_window(w, fake.port());
        auto *console = w.findChild<Console *>(QStringLiteral("console"));
        const QHash<QChar, Qt::Key> special{{'<', Qt::Key_Backspace},
                                            {'^', Qt::Key_Up},
                                            {'~', Qt::Key_Down},
                                            {'>', Qt::Key_Tab},
                                            {'\r', Qt::Key_Return}};
        for (const QChar c : keys) {
            if (special.contains(c))
                QTest::keyClick(console, special.value(c));
            else
                QTest::keyClick(console, c.toLatin1());
        }
        // The line being typed is visible; nothing of it goes out before Enter.
        QVERIFY2(console->toPlainText().endsWith(shown), qPrintable(console->toPlainText()));
        // Nothing may go out for a while: a line sent early would be there
        // by now.
        QTest::qWait(50);
        const int earlier = wire.chopped(2).lastIndexOf("\r\n");
        QCOMPARE(fake.received(), earlier < 0 ? QByteArray() : wire.left(earlier + 2));
        QTest::keyClick(console, Qt::Key_Return);
        QTRY_COMPARE(fake.received(), wire);
        QCOMPARE(TestProbe(w).line_buffer(), QString());
    }

    void command_list_data()
    {
        QTest::addColumn<bool>("typed");
        QTest::newRow("button") << false;
        QTest::newRow("? and Enter") << true;
    }
    void command_list()
    {
        QFETCH(bool, typed);
        FakeController fake;
        DORVAK_Admin w;
        connect_window(w, fake.port());
        auto *console = w.findChild<Console *>(QStringLiteral("console"));
        if (typed)
            QTest::keyClicks(console, QStringLiteral("?\r"));
        else
            button(w, "commands_btn")->click();
        auto *list = w.findChild<QTableWidget *>(QStringLiteral("commands_table"));
        QVERIFY(list && list->window()->isVisible());
        QCOMPARE(list->rowCount(), int(controller_commands().size()));
        QCOMPARE(list->item(0, 0)->text(), QStringLiteral("TOT_USERS"));
        QTest::keyClicks(console, QStringLiteral("NEXT\r"));
        QTRY_COMPARE(fake.received(), QByteArray("NEXT\r\n"));
    }

    void console_follows_data()
    {
        // Before a line arrives: 'u' the user scrolls a page up, 'e' back to
        // the end, 'r' Ctrl+O adds the developers' row below the console.
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("at_end");
        QTest::newRow("scrolled up") << "u" << false;
        QTest::newRow("back at the end") << "ue" << true;
        QTest::newRow("developers' row shown") << "r" << true;
        QTest::newRow("scrolled up, then the row") << "ur" << false;
    }
    void console_follows()
    {
        QFETCH(QString, steps);
        DORVAK_Admin w;
        w.show();
        button(w, "console_btn")->click();
        auto *console = w.findChild<Console *>(QStringLiteral("console"));
        QScrollBar *bar = console->verticalScrollBar();
        console->putData(QByteArray("## linea\n").repeated(300));
        // Each step a moment after the last, as a user's would: whether the
        // console has settled its layout by then must not change where it
        // stays.
        for (const QChar step : steps) {
            QTest::qWait(20);
            if (step == 'r')
                TestProbe(w).invoke("show_debug");
            else
                bar->triggerAction(step == 'u' ? QAbstractSlider::SliderPageStepSub
                                               : QAbstractSlider::SliderToMaximum);
        }
        QTest::qWait(20);
        console->putData("## otra\n");
        QTEST(bar->value() == bar->maximum(), "at_end");
    }

    void port_caption_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("maker");
        QTest::addColumn<QString>("caption");
        // clang-format off
        QTest::newRow("description and maker") << "FT232R USB UART" << "FTDI" << "ttyUSB0 — FT232R USB UART (FTDI)";
        QTest::newRow("maker already in the description") << "FTDI FT232R" << " ftdi " << "ttyUSB0 — FTDI FT232R";
        QTest::newRow("nothing known") << " " << "" << "ttyUSB0";
        QTest::newRow("maker alone") << "" << "Prolific" << "ttyUSB0 (Prolific)";
        // clang-format on
    }

    void port_caption()
    {
        QFETCH(QString, description);
        QFETCH(QString, maker);
        QTEST(::port_caption(QStringLiteral("ttyUSB0"), description, maker), "caption");
    }

    void port_names()
    {
        // Two adapters with stable names; then the lost one's path is watched:
        // the same device staying is not its return, another device is.
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("id"));
        for (const QString &n : {"0", "1"})
            QVERIFY(
                QFile(dir.filePath("tty" + n)).open(QIODevice::WriteOnly)
                && QFile::link(dir.filePath("tty" + n), dir.filePath(n == "0" ? "id/b" : "id/a")));
        QCOMPARE(stable_path(dir.filePath("tty0"), dir.filePath("id")), dir.filePath("id/b"));
        PortWatch watch;
        watch.start(dir.filePath("id/b"));
        QVERIFY(!watch.back());
        QVERIFY(QFile::remove(dir.filePath("id/b"))
                && QFile::link(dir.filePath("tty1"), dir.filePath("id/b")));
        QVERIFY(watch.back());
    }

    void far_end_goes_and_comes_back_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("reconnect") << int(QMessageBox::Yes);
        QTest::newRow("always, then without asking") << int(QMessageBox::YesToAll);
        QTest::newRow("declined") << int(QMessageBox::No);
    }
    void far_end_goes_and_comes_back()
    {
        // The adapter is pulled and a new one appears at the same path.
        QFETCH(int, answer);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("dorvak"));
        auto fake = std::make_unique<FakeController>();
        QVERIFY(QFile::link(fake->port(), path));
        ModalAnswerer answerer;
        answerer.queue_button(QMessageBox::Ok);
        answerer.queue_button(QMessageBox::StandardButton(answer));
        LogCapture log;
        auto w = std::make_unique<DORVAK_Admin>();
        QVERIFY(connect_window(*w, path));
        const auto replug = [&] {
            fake->hang_up();
            QTRY_VERIFY(offered_as(*w, false));
            // A dead line reports errors without end while it stays open: no
            // busy loop is left behind.
            const int logged = log.lines().size();
            QTest::qWait(200);
            QVERIFY(log.lines().size() - logged < 5);
            fake = std::make_unique<FakeController>();
            QVERIFY(QFile::remove(path) && QFile::link(fake->port(), path));
        };
        replug();
        QTRY_COMPARE(answerer.texts().value(1),
                     QStringLiteral("El adaptador %1 volvió a conectarse. ¿Reconectar?").arg(path));
        QCOMPARE(answerer.seen().first().title, QStringLiteral("Critical Error"));
        QTRY_VERIFY(offered_as(*w, answer != QMessageBox::No));
        if (answer == QMessageBox::YesToAll) {
            replug();
            QTRY_VERIFY(TestProbe(*w).is_open());
            QCOMPARE(answerer.texts().size(), 3);
        }
    }
};

QTEST_MAIN(TstSerial)
#include "tst_serial.moc"
