// The window as it starts: frame, console panel, finders, remembered
// settings; and the program's own command line.
#include "console.h"
#include "log_capture.h"
#include "modal_answerer.h"
#include "port_combo.h"
#include "probe.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLayoutItem>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

class TstWindow : public QObject
{
    Q_OBJECT

private slots:
    void start_up()
    {
        LogCapture log;
        DORVAK_Admin w;
        w.show();
        QVERIFY(!w.findChild<QWidget *>(QStringLiteral("console_panel"))->isVisible());
        auto *bar = w.findChild<QWidget *>(QStringLiteral("conn_bar"));
        QCOMPARE(bar->palette().color(QPalette::Window), QColor(Qt::red));
        QCOMPARE(bar->property("connected"), QVariant(false));
        // Nothing to type into, to save, to stop or to close yet; a port to
        // open and a record to edit.
        for (const char *name : {"console", "save_btn", "cancel_btn", "stop_btn", "disconnect_btn"})
            QVERIFY2(!w.findChild<QWidget *>(QLatin1String(name))->isEnabled(), name);
        for (const char *name : {"connect_btn", "edit_btn"})
            QVERIFY2(w.findChild<QWidget *>(QLatin1String(name))->isEnabled(), name);
        QVERIFY(!w.findChild<QPushButton *>(QStringLiteral("console_btn"))->isChecked());
        // The first port found is the one that will be opened, logged once.
        auto *combo = w.findChild<PortCombo *>(QStringLiteral("port_combo"));
        QCOMPARE(TestProbe(w).port_name(), combo->currentText());
        QCOMPARE(log.starting(QStringLiteral("Puerto : ")).size(), combo->count() > 0 ? 1 : 0);
    }

    void console_panel_data()
    {
        QTest::addColumn<int>("ctrl_o"); // presses of Ctrl+O first
        QTest::newRow("ver consola alone") << 0;
        QTest::newRow("after ctrl+o three times") << 3;
    }
    void console_panel()
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
        // Ctrl+O shows the panel with the debug row, once, and the button
        // says so: one click hides it again.
        QCOMPARE(panel->isVisible() && button->isChecked(), bool(ctrl_o));
        QCOMPARE(panel->findChildren<QWidget *>(QStringLiteral("debug_ops")).size(),
                 int(ctrl_o > 0));
        button->click();
        QCOMPARE(panel->isVisible(), !ctrl_o);
        button->click();
        QCOMPARE(panel->isVisible(), bool(ctrl_o));
    }

    // With the console and the developers' row, at 1000x800 and on a 1366x768
    // laptop less a 32 px panel and a 30 px title bar, in the screenshots'
    // font and a larger one: the minimum fits the laptop, every tab's labels,
    // buttons and fields get their room (or scroll), and the status bar's
    // outcome stops short of the connection, whole in its tooltip.
    void fits_the_screen_data()
    {
        QTest::addColumn<int>("points");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("tab");
        const char *const tabs[] = {"Usuarios", "Registro", "Configuración", "Historial"};
        for (const auto &at : {qMakePair(9, QSize(1000, 800)), qMakePair(9, QSize(1366, 700)),
                               qMakePair(12, QSize(1366, 700))})
            for (int t = 0; t < 4; ++t)
                QTest::addRow("%s %d pt %d", tabs[t], at.first, at.second.width())
                    << at.first << at.second << t;
    }
    void fits_the_screen()
    {
        QFETCH(int, points);
        QFETCH(QSize, size);
        QFETCH(int, tab);
        Q_INIT_RESOURCE(resources);
        QFile style(QStringLiteral(":/darkorange_stylesheet.css"));
        QVERIFY(style.open(QIODevice::ReadOnly));
        qApp->setStyleSheet(QString::fromUtf8(style.readAll()));
        QApplication::setFont(QFont(QStringLiteral("Sans Serif"), points));
        DORVAK_Admin w;
        TestProbe(w).load_log_lines({"XX 1 0 0 2024-03-01 8:00\n", "XX 1 0 0 2024-03-07 8:00\n"});
        QMetaObject::invokeMethod(&w, "filter_log");
        QMetaObject::invokeMethod(&w, "show_debug");
        w.findChild<QTabWidget *>(QStringLiteral("tabs"))->setCurrentIndex(tab);
        w.show();
        w.resize(size);
        QCOMPARE(w.size(), size);
        const QSize least = w.minimumSize().expandedTo(w.minimumSizeHint());
        QVERIFY(least.width() <= 1366 && least.height() <= 700);
        QStringList clipped;
        for (QWidget *c : w.findChildren<QWidget *>()) {
            const auto shown = [](const QWidget *x) {
                return qobject_cast<const QAbstractButton *>(x) || qobject_cast<const QLabel *>(x)
                    || qobject_cast<const QLineEdit *>(x) || qobject_cast<const QComboBox *>(x)
                    || qobject_cast<const QAbstractSpinBox *>(x);
            };
            if (!c->isVisible() || !shown(c) || shown(c->parentWidget())) // a spin box's parts
                continue;
            const QSize least_c = QWidgetItem(c).minimumSize(); // as a layout may make it
            bool cut = c->width() < least_c.width() || c->height() < least_c.height();
            for (QWidget *a = c->parentWidget(); a && !cut; a = a->parentWidget()) {
                if (qobject_cast<QScrollArea *>(a->parentWidget()))
                    break;
                cut = !QRect(QPoint(), a->size()).contains(QRect(c->mapTo(a, QPoint()), c->size()));
            }
            if (cut)
                clipped << c->objectName() + '/' + c->property("text").toString();
        }
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(", ")));
        const QString outcome = QStringLiteral("4 nuevos, 0 modificados, ").repeated(30);
        w.statusBar()->showMessage(outcome);
        const int gap = w.statusBar()->fontMetrics().horizontalAdvance('M');
        const QImage bar = w.statusBar()->grab().toImage().copy(
            w.findChild<QLabel *>(QStringLiteral("status_port"))->x() - gap, 0, gap, 20);
        QImage blank = bar;
        blank.fill(bar.pixel(0, 0));
        QVERIFY(bar == blank && w.statusBar()->toolTip() == outcome);
    }

    // A server used before is listed once, with what it is in its tooltip,
    // also while it is the port shown.
    // A file that cannot be made or takes no data is said, never a success.
    void file_errors_data()
    {
        QTest::addColumn<QString>("saved"); // users, log, or the console
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        // clang-format off
        QTest::newRow("users into no folder") << "users" << "/no-existe/u.csv" << "No se pudo abrir el archivo : /no-existe/u.csv";
        QTest::newRow("users onto a full device") << "users" << "/dev/full" << "No se pudo escribir el archivo : /dev/full";
        QTest::newRow("log into no folder") << "log" << "/no-existe/r.csv" << "No se pudo abrir el archivo : /no-existe/r.csv";
        QTest::newRow("log onto a full device") << "log" << "/dev/full" << "No se pudo escribir el archivo : /dev/full";
        QTest::newRow("console into no folder") << "console" << "/no-existe/c.txt" << "Texto (*.txt)|No se pudo escribir el archivo /no-existe/c.txt";
        // clang-format on
    }
    void file_errors()
    {
        QFETCH(QString, saved);
        QFETCH(QString, file);
        ModalAnswerer answerer;
        DORVAK_Admin w;
        TestProbe probe(w);
        probe.load_user_lines({"## 1,1,\"A\",+56911111111,1"});
        probe.load_log_lines({"XX 1 0 0 2024-03-05 8:00\n"});
        answerer.queue_file(file);
        if (saved == "users")
            probe.export_users_to(file);
        else if (saved == "log")
            probe.export_log_to(file);
        else
            probe.invoke("guardar_consola");
        // The dialog takes a folder that does not exist as one in the current folder.
        QTEST(answerer.texts().join('|').remove(QDir::currentPath()), "message");
    }

    void port_box_lists_servers_once()
    {
        // Ten at most, each once, only what names a server.
        QStringList given{"tcp://10.0.0.5:4001", "rfc2217://10.0.0.6:4001", "tcp://10.0.0.5:4001",
                          "/dev/ttyS0", "tcp://h"};
        for (int n = 7; n < 20; ++n)
            given << QString("tcp://10.0.0.%1:4001").arg(n);
        PortCombo box;
        box.set_servers(given);
        QCOMPARE(box.servers(), given.mid(0, 2) + given.mid(5, 8));
        box.refresh_ports();
        box.setCurrentIndex(box.findData("tcp://10.0.0.5:4001"));
        box.refresh_ports();
        QCOMPARE(box.currentText(), QString("tcp://10.0.0.5:4001"));
        QStringList listed;
        for (int i = 0; i < box.count(); ++i)
            listed << box.itemData(i).toString() + ' '
                    + box.itemData(i, Qt::ToolTipRole).toString();
        for (const QString &server : box.servers())
            QCOMPARE(listed.count(server + " Servidor de puertos usado antes"), 1);
    }

    void finder_of_the_tab()
    {
        // Ctrl+F selects what the current tab's finder holds; the parameters
        // have none.
        DORVAK_Admin w;
        auto *tabs = w.findChild<QTabWidget *>(QStringLiteral("tabs"));
        auto *users = w.findChild<QLineEdit *>(QStringLiteral("user_filter_edit"));
        auto *log = w.findChild<QLineEdit *>(QStringLiteral("log_filter_edit"));
        for (int tab = 0; tab < 3; ++tab) {
            tabs->setCurrentIndex(tab);
            for (QLineEdit *edit : {users, log})
                edit->setText(QStringLiteral("zz"));
            QVERIFY(TestProbe(w).invoke("focus_filter"));
            QCOMPARE(users->hasSelectedText(), tab == 0);
            QCOMPARE(log->hasSelectedText(), tab == 1);
        }
    }

    void settings_remembered()
    {
        // The program names itself, which turns the settings on; they go to
        // a scratch folder, never to the user's own.
        QTemporaryDir dir;
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
        QCoreApplication::setOrganizationName(QStringLiteral("DORVAK-test"));
        {
            DORVAK_Admin w;
            w.show();
            // The first start has the console hidden.
            QVERIFY(!w.findChild<QWidget *>(QStringLiteral("console_panel"))->isVisible());
            w.choose_port(QStringLiteral("/dev/pts/77"));
            w.findChild<QPushButton *>(QStringLiteral("console_btn"))->click();
            w.findChild<QSpinBox *>(QStringLiteral("console_lines_spin"))->setValue(5000);
            w.resize(1200, 850);
            QVERIFY(w.QWidget::close());
        }
        DORVAK_Admin again;
        again.show();
        QCoreApplication::setOrganizationName(QString());
        QCOMPARE(TestProbe(again).port_name(), QStringLiteral("/dev/pts/77"));
        QVERIFY(again.findChild<QWidget *>(QStringLiteral("console_panel"))->isVisible());
        QVERIFY(again.findChild<QPushButton *>(QStringLiteral("console_btn"))->isChecked());
        QCOMPARE(again.findChild<Console *>(QStringLiteral("console"))->line_limit(), 5000);
        // Remembered on a larger screen, the size comes back within this one
        // (800x600 offscreen).
        QVERIFY(again.width() <= again.screen()->availableGeometry().width());
        QVERIFY(again.height() < 850);
    }

    // The command line with no display: the help and the mistakes reported,
    // in Spanish ("|" between the pieces said, blanks folded).
    void command_line_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said");
        QTest::newRow("help") << "--help" << 0
                              << " [opciones] [PUERTO] Administración del controlador DORVAK|"
                                 "Opciones: -h, --help Muestra esta ayuda|--historial <ARCHIVO>|"
                                 "Argumentos: PUERTO Puerto serie del controlador";
        QTest::newRow("unknown option") << "--nada" << 1 << "Opción desconocida: «nada».";
        QTest::newRow("missing value") << "--historial" << 1 << "Falta el valor después de";
    }
    void command_line()
    {
        QFETCH(QString, argument);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(DORVAK_ADMIN_PATH), {argument});
        QVERIFY(program.waitForFinished(10000));
        QTEST(program.exitCode(), "code");
        const QString out =
            QString::fromUtf8(program.readAll() + program.readAllStandardError()).simplified();
        QFETCH(QString, said);
        for (const QString &piece : said.split('|'))
            QVERIFY2(out.contains(piece), qPrintable(out));
        QVERIFY2(!out.contains(QRegularExpression(
                     "\\b(Usage|options|Options|Arguments|Displays|Unknown|Missing|PORT)\\b")),
                 qPrintable(out));
    }

    void program_takes_port_and_verbose()
    {
        // The program opens on the port named on its command line, and with
        // --verbose writes its trace to the terminal.
        QTemporaryDir config;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        env.remove(QStringLiteral("QT_LOGGING_RULES"));
        QProcess program;
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(QStringLiteral(DORVAK_ADMIN_PATH),
                      {QStringLiteral("--verbose"), QStringLiteral("/dev/pts/dorvak-test")});
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT(
            (out += program.readAll()).contains("Puerto :  \"/dev/pts/dorvak-test\""), 10000);
        program.kill();
        program.waitForFinished();
    }
};

QTEST_MAIN(TstWindow)
#include "tst_window.moc"
