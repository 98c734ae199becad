// dorvak-screens: drives the real window against the simulator on a real X
// display and saves what a person would see at each step, for the README
// and for checking the screens by eye. Run through scripts/screenshots.sh.
#include "console.h"
#include "modal_answerer.h"
#include "probe.h"
#include "sim_process.h"
#include "user_index.h"
#include "user_row.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <functional>

namespace {

QWidget *shown = nullptr;

// What the window shows, at the window's own size; with `popups`, what the
// screen shows there, menus and calendars opened over the window included.
void shoot(const QString &dir, const QString &name, bool popups = false)
{
    QTest::qWait(400);
    const QString path = QDir(dir).filePath(name + QLatin1String(".png"));
    const QRect at = shown->frameGeometry();
    QScreen *screen = QApplication::primaryScreen();
    (popups ? screen->grabWindow(0, at.x(), at.y(), at.width(), at.height())
            : screen->grabWindow(shown->winId()))
        .save(path);
    qInfo("%s", qPrintable(path));
}

void click(DORVAK_Admin &w, const char *button)
{
    w.findChild<QPushButton *>(QLatin1String(button))->click();
}

// Runs `open`, which opens a message box, and shoots the box as `name`
// before `answer` is pressed; with `details`, once more with its details
// shown, as `name`-detalles. The answerer stays away meanwhile.
void shoot_box(ModalAnswerer &answerer, const QString &dir, const QString &name,
               QMessageBox::StandardButton answer, bool details, const std::function<void()> &open)
{
    QTimer *poll = answerer.findChild<QTimer *>();
    poll->stop();
    QTimer::singleShot(200, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        shoot(dir, name, true);
        for (QAbstractButton *b : box->buttons()) {
            if (details && box->buttonRole(b) == QMessageBox::ActionRole) {
                b->click();
                shoot(dir, name + QLatin1String("-detalles"), true);
            }
        }
        box->button(answer)->click();
    });
    open();
    poll->start();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Qt's own buttons in Spanish, as the program shows them.
    QTranslator qt_spanish;
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    const QString translations = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#else
    const QString translations = QLibraryInfo::location(QLibraryInfo::TranslationsPath);
#endif
    if (qt_spanish.load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                        translations))
        QApplication::installTranslator(&qt_spanish);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QFile style(QStringLiteral(":/darkorange_stylesheet.css"));
    if (style.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromUtf8(style.readAll()));

    // A history of its own, with the two visits shot below.
    QTemporaryDir history;
    qputenv("DORVAK_HISTORY", history.filePath(QStringLiteral("historial.sqlite")).toUtf8());
    SimProcess sim;
    if (!sim.ok())
        return 1;
    // Questions are answered yes, as an installer going through would.
    ModalAnswerer answerer;
    DORVAK_Admin w;
    // The first window must fit the screen's usable part.
    const QSize first = w.size();
    const QRect room = w.screen()->availableGeometry();
    qInfo("first window %dx%d (at least %dx%d), screen's usable part %dx%d", first.width(),
          first.height(), w.minimumSizeHint().width(), w.minimumSizeHint().height(), room.width(),
          room.height());
    w.choose_port(sim.port());
    w.resize(1400, 860);
    w.show();
    shown = &w;
    shoot(dir, QStringLiteral("01-start"));

    click(w, "connect_btn");
    click(w, "console_btn");
    click(w, "print_db_btn");
    shoot(dir, QStringLiteral("02-connected-print-db"));

    click(w, "console_btn");
    click(w, "get_users_btn");
    shoot(dir, QStringLiteral("03-users"));

    // A synchronisation of every record, caught half-way with "Detener"
    // ready, then stopped.
    for (UserRow *record : TestProbe(w).users()) {
        record->pending = true;
        record->show_mark();
    }
    QTimer::singleShot(1500, [&] {
        shoot(dir, QStringLiteral("06-sync-detener"));
        click(w, "stop_btn");
    });
    click(w, "sync_btn");

    // A few records changed and synchronised: the status bar says how it
    // went. Then the finder narrows the tree to part of a number.
    click(w, "get_users_btn");
    for (int i = 0; i < 3; ++i)
        TestProbe(w).users().at(i)->pending = true;
    click(w, "sync_btn");
    shoot(dir, QStringLiteral("09-sync-status"));
    w.findChild<QLineEdit *>(QStringLiteral("user_filter_edit"))->setText(QStringLiteral("569 4"));
    shoot(dir, QStringLiteral("10-finder"));
    w.findChild<QLineEdit *>(QStringLiteral("user_filter_edit"))->clear();

    // The directory through a spreadsheet: the numbers lost their "+", a
    // name got an accent and another one changed, a person was deleted, a
    // visitor was added and two rows the controller cannot hold. The
    // verdict, then the tree with the imported records waiting.
    QTemporaryDir files;
    const QString csv = files.filePath(QStringLiteral("usuarios.csv"));
    TestProbe(w).export_users_to(csv);
    QFile file(csv);
    file.open(QIODevice::ReadOnly);
    QStringList lines = QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'));
    file.close();
    lines.removeAt(7);
    lines[2].replace(QStringLiteral("Casa 471"), QStringLiteral("Casa 471 Peña"));
    lines[3].replace(QStringLiteral("Visita 272"), QStringLiteral("Visita 273"));
    lines.insert(
        lines.size() - 1,
        QStringLiteral(
            "0 ; 6 ; guest ; \"Visita de Cumpleanos\" ; \"+56900000123\" ; 0 ; 0 ; 24 ; 127"));
    lines.insert(
        lines.size() - 1,
        QStringLiteral("0 ; 6 ; guest ; \"Jardinero\" ; \"+5690000 12\" ; 0 ; 0 ; 24 ; 127"));
    lines.insert(
        lines.size() - 1,
        QStringLiteral("0 ; 6 ; guest ; \"Jardinero\" ; \"+56900000124\" ; 0 ; 8 ; 18 ; 31"));
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write("\xEF\xBB\xBF"
               + lines.join(QLatin1Char('\n'))
                     .replace(QStringLiteral("\"+569"), QStringLiteral("\"569"))
                     .toUtf8());
    file.close();
    shoot_box(answerer, dir, QStringLiteral("14-import"), QMessageBox::Ok, true,
              [&] { TestProbe(w).import_users_from(csv); });
    for (UserRow *record : records_below(TestProbe(w).root()))
        record->show_mark();
    shoot(dir, QStringLiteral("15-imported-pending"));
    // Nuevo with a user selected: one of its visitors, or another user of
    // its administrator.
    TestProbe(w).user_tree()->setCurrentItem(TestProbe(w).root()->child(0)->child(0));
    shoot_box(answerer, dir, QStringLiteral("16-nuevo"), QMessageBox::Cancel, false,
              [&] { click(w, "nuevo_btn"); });

    auto *tabs = w.findChild<QTabWidget *>(QStringLiteral("tabs"));
    tabs->setCurrentIndex(1);
    click(w, "get_log_btn");
    shoot(dir, QStringLiteral("04-log"));
    // The calendar of the first day, opened at the log's last day.
    auto *from = w.findChild<QWidget *>(QStringLiteral("log_from_edit"));
    QTest::keyClick(from, Qt::Key_Down, Qt::AltModifier);
    shoot(dir, QStringLiteral("11-log-calendar"), true);
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);

    tabs->setCurrentIndex(2);
    click(w, "get_params_btn");
    shoot(dir, QStringLiteral("05-params"));

    QMetaObject::invokeMethod(&w, "show_debug");
    // A second visit after changes made on the controller: the Historial
    // page lists them; the Registro tab shows the archive and its chart.
    w.resize(1400, 860);
    click(w, "disconnect_btn");
    for (const char *change : {" UU 500 2 \"Nuevo Vecino\" +56900000099 1 0 0 24 127",
                               " UU 8 2 \"Depto 376 B\" +56985723397 1 0 0 24 127",
                               "BU +56918146508", "SEND_PAR 1 03 60", "CREATE500L"})
        sim.query(QLatin1String(change));
    click(w, "connect_btn");
    click(w, "get_users_btn");
    click(w, "get_log_btn");
    tabs->setCurrentWidget(w.findChild<QWidget *>(QStringLiteral("history_page")));
    shoot(dir, QStringLiteral("12-history"));
    tabs->setCurrentIndex(1);
    click(w, "log_archive_btn");
    click(w, "log_chart_btn");
    shoot(dir, QStringLiteral("13-archive-chart"));

    // The smallest sizes the window is used at, every tab, with the console
    // and the developers' row: no label may be clipped, and the log's
    // finder holds a name.
    w.findChild<QLineEdit *>(QStringLiteral("log_filter_edit"))
        ->setText(QStringLiteral("Conserje"));
    const char *const tab_names[] = {"usuarios", "registro", "configuracion", "historial"};
    const struct
    {
        const char *prefix;
        QSize size;
        const char *screen;
    } sizes[] = {{"07", QSize(1000, 800), "1000x800"},
                 // A 1366x768 screen less a 32 px panel and a 30 px title bar.
                 {"08", QSize(1366, 700), "1366x768"}};
    for (const auto &s : sizes) {
        w.resize(s.size);
        for (int t = 0; t < tabs->count(); ++t) {
            tabs->setCurrentIndex(t);
            shoot(dir,
                  QStringLiteral("%1-%2-%3")
                      .arg(QLatin1String(s.prefix), QLatin1String(s.screen),
                           QLatin1String(tab_names[t])));
        }
    }

    // The controller's commands, asked for with "?" and Enter in the
    // console, beside it; Tab has just offered the names that begin "TO".
    tabs->setCurrentIndex(0);
    auto *console = w.findChild<Console *>(QStringLiteral("console"));
    console->setFocus();
    QTest::keyClicks(console, QStringLiteral("?\rTO"));
    QTest::keyClick(console, Qt::Key_Tab);
    auto *commands = w.findChild<QDialog *>(QStringLiteral("commands_dialog"));
    commands->resize(840, 640);
    commands->move(w.frameGeometry().topLeft() + QPoint(8, 40));
    shoot(dir, QStringLiteral("14-console-commands"), true);
    return 0;
}
