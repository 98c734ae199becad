// The window as it starts: frame, console panel, debug row, port box.
#include "log_capture.h"
#include "port_combo.h"
#include "probe.h"

#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

class TstWindow : public QObject
{
    Q_OBJECT

private slots:
    void start_up();
    void console_panel_data();
    void console_panel();
    void port_argument_and_typed_path();
    void settings_remembered();
};

void TstWindow::start_up()
{
    LogCapture log;
    DORVAK_Admin w;
    w.show();
    QVERIFY(!w.findChild<QWidget *>(QStringLiteral("console_panel"))->isVisible());
    QCOMPARE(w.findChild<QWidget *>(QStringLiteral("conn_bar"))->palette().color(QPalette::Window),
             QColor(Qt::red));
    QVERIFY(!w.findChild<QWidget *>(QStringLiteral("console"))->isEnabled());
    // Nothing shown on the bar before the first exchange.
    auto *progress = w.findChild<QProgressBar *>(QStringLiteral("progress"));
    QCOMPARE(progress->text(), QString());
    // The first port found is the one that will be opened, logged once.
    auto *combo = w.findChild<PortCombo *>(QStringLiteral("port_combo"));
    QCOMPARE(TestProbe(w).port_name(), combo->currentText());
    QCOMPARE(log.starting(QStringLiteral("Puerto : ")).size(), combo->count() > 0 ? 1 : 0);
}

void TstWindow::console_panel_data()
{
    QTest::addColumn<int>("ctrl_o"); // presses of Ctrl+O first
    // clang-format off
    QTest::newRow("ver consola alone") << 0;
    QTest::newRow("after ctrl+o three times") << 3;
    // clang-format on
}

void TstWindow::console_panel()
{
    QFETCH(int, ctrl_o);
    DORVAK_Admin w;
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto *panel = w.findChild<QWidget *>(QStringLiteral("console_panel"));
    auto *button = w.findChild<QPushButton *>(QStringLiteral("console_btn"));
    for (int i = 0; i < ctrl_o; ++i)
        QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier);
    if (ctrl_o) {
        // The panel shows with the debug row, once, and the button says so:
        // one click hides it again.
        QVERIFY(panel->isVisible() && button->isChecked());
        QCOMPARE(panel->findChildren<QWidget *>(QStringLiteral("debug_ops")).size(), 1);
        QTRY_VERIFY(w.findChild<QWidget *>(QStringLiteral("debug_ops"))->isVisible());
    }
    button->click();
    QCOMPARE(panel->isVisible(), !ctrl_o);
    button->click();
    QCOMPARE(panel->isVisible(), bool(ctrl_o));
}

void TstWindow::port_argument_and_typed_path()
{
    DORVAK_Admin w;
    auto *combo = w.findChild<PortCombo *>(QStringLiteral("port_combo"));
    w.choose_port(QStringLiteral("/dev/pts/77"));
    QCOMPARE(combo->itemText(0), QStringLiteral("/dev/pts/77"));
    QCOMPARE(TestProbe(w).port_name(), QStringLiteral("/dev/pts/77"));
    // A typed path is what the next connect opens, and reading the list
    // again keeps it.
    combo->setEditText(QStringLiteral("/dev/ttyUSB9"));
    combo->refresh_ports();
    QCOMPARE(combo->currentText(), QStringLiteral("/dev/ttyUSB9"));
    QCOMPARE(TestProbe(w).port_name(), QStringLiteral("/dev/ttyUSB9"));
}

void TstWindow::settings_remembered()
{
    // The program names itself, which turns the settings on; they go to a
    // scratch folder, never to the user's own.
    QTemporaryDir dir;
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    QCoreApplication::setOrganizationName(QStringLiteral("DORVAK-test"));
    {
        DORVAK_Admin w;
        w.show();
        w.choose_port(QStringLiteral("/dev/pts/77"));
        w.findChild<QPushButton *>(QStringLiteral("console_btn"))->click();
        w.resize(1200, 850);
        QVERIFY(w.QWidget::close());
    }
    DORVAK_Admin again;
    again.show();
    QCoreApplication::setOrganizationName(QString());
    QCOMPARE(TestProbe(again).port_name(), QStringLiteral("/dev/pts/77"));
    QVERIFY(again.findChild<QWidget *>(QStringLiteral("console_panel"))->isVisible());
    QVERIFY(again.findChild<QPushButton *>(QStringLiteral("console_btn"))->isChecked());
    QCOMPARE(again.size(), QSize(1200, 850));
}

QTEST_MAIN(TstWindow)
#include "tst_window.moc"
