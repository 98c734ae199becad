// The window as it starts: frame, console panel, debug row, port box.
#include "log_capture.h"
#include "port_combo.h"
#include "probe.h"

#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTest>

class TstWindow : public QObject
{
    Q_OBJECT

private slots:
    void start_up();
    void console_panel_data();
    void console_panel();
    void debug_row_added_once();
    void port_argument_and_typed_path();
};

void TstWindow::start_up()
{
    LogCapture log;
    DORVAK_Admin w;
    w.show();
    QCOMPARE(w.minimumSize(), QSize(1000, 800));
    auto *splitter = qobject_cast<QSplitter *>(w.centralWidget());
    QCOMPARE(splitter->widget(1)->objectName(), QStringLiteral("console_panel"));
    QVERIFY(!splitter->widget(1)->isVisible());
    QCOMPARE(w.findChild<QWidget *>(QStringLiteral("conn_bar"))->palette().color(QPalette::Window),
             QColor(Qt::red));
    QVERIFY(!w.findChild<QWidget *>(QStringLiteral("console"))->isEnabled());

    // Nothing shown on the bar before the first exchange.
    auto *progress = w.findChild<QProgressBar *>(QStringLiteral("progress"));
    QCOMPARE(progress->text(), QString());
    QVERIFY(progress->value() < progress->minimum());

    // The first port found is the one that will be opened, logged once.
    auto *combo = w.findChild<PortCombo *>(QStringLiteral("port_combo"));
    QCOMPARE(TestProbe(w).port_name(), combo->currentText());
    QCOMPARE(log.starting(QStringLiteral("Puerto : ")).size(), combo->count() > 0 ? 1 : 0);
}

void TstWindow::console_panel_data()
{
    QTest::addColumn<bool>("debug_first");
    QTest::newRow("ver consola alone") << false;
    QTest::newRow("after ctrl+o") << true;
}

void TstWindow::console_panel()
{
    QFETCH(bool, debug_first);
    DORVAK_Admin w;
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto *panel = w.findChild<QWidget *>(QStringLiteral("console_panel"));
    auto *button = w.findChild<QPushButton *>(QStringLiteral("console_btn"));
    if (debug_first) {
        QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier);
        QVERIFY(panel->isVisible());
        QVERIFY(!button->isChecked());
    }
    button->click();
    QVERIFY(panel->isVisible());
    button->click();
    QVERIFY(!panel->isVisible());
}

void TstWindow::debug_row_added_once()
{
    DORVAK_Admin w;
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier);
    auto *panel = w.findChild<QWidget *>(QStringLiteral("console_panel"));
    QVERIFY(panel->isVisible());
    QCOMPARE(panel->findChildren<QPushButton *>(QStringLiteral("make_5000_btn")).size(), 1);
    auto *debug_ops = w.findChild<QWidget *>(QStringLiteral("debug_ops"));
    QVERIFY(debug_ops);
    QTRY_VERIFY(debug_ops->isVisible());
}

void TstWindow::port_argument_and_typed_path()
{
    DORVAK_Admin w;
    auto *combo = w.findChild<PortCombo *>(QStringLiteral("port_combo"));
    w.choose_port(QStringLiteral("/dev/pts/77"));
    QCOMPARE(combo->itemText(0), QStringLiteral("/dev/pts/77"));
    QCOMPARE(combo->currentText(), QStringLiteral("/dev/pts/77"));
    QCOMPARE(TestProbe(w).port_name(), QStringLiteral("/dev/pts/77"));

    // A typed path is what the next connect opens.
    combo->setEditText(QStringLiteral("/dev/ttyUSB9"));
    QCOMPARE(TestProbe(w).port_name(), QStringLiteral("/dev/ttyUSB9"));
    // Reading the list again keeps what is shown.
    combo->refresh_ports();
    QCOMPARE(combo->currentText(), QStringLiteral("/dev/ttyUSB9"));
    QCOMPARE(TestProbe(w).port_name(), QStringLiteral("/dev/ttyUSB9"));
}

QTEST_MAIN(TstWindow)
#include "tst_window.moc"
