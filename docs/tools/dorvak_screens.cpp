// dorvak-screens: drives the real window against the simulator on a real X
// display and saves what a person would see at each step, for the README
// and for checking the screens by eye. Run through scripts/screenshots.sh.
#include "modal_answerer.h"
#include "probe.h"
#include "sim_process.h"
#include "user_row.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

QWidget *shown = nullptr;

// What the window shows, at the window's own size.
void shoot(const QString &dir, const char *name)
{
    QTest::qWait(400);
    const QString path = QDir(dir).filePath(QLatin1String(name) + QLatin1String(".png"));
    QApplication::primaryScreen()->grabWindow(shown->winId()).save(path);
    qInfo("%s", qPrintable(path));
}

void click(DORVAK_Admin &w, const char *button)
{
    w.findChild<QPushButton *>(QLatin1String(button))->click();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
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
    w.choose_port(sim.port());
    w.resize(1400, 860);
    w.show();
    shown = &w;
    shoot(dir, "01-start");

    click(w, "connect_btn");
    click(w, "console_btn");
    click(w, "print_db_btn");
    shoot(dir, "02-connected-print-db");

    click(w, "console_btn");
    click(w, "get_users_btn");
    shoot(dir, "03-users");

    // A synchronisation of every record, caught half-way with "Detener"
    // ready, then stopped.
    for (UserRow *record : TestProbe(w).users())
        record->pending = true;
    QTimer::singleShot(1500, [&] {
        shoot(dir, "06-sync-detener");
        click(w, "stop_btn");
    });
    click(w, "sync_btn");

    // A few records changed and synchronised: the status bar says how it
    // went. Then the finder narrows the tree to part of a number.
    click(w, "get_users_btn");
    for (int i = 0; i < 3; ++i)
        TestProbe(w).users().at(i)->pending = true;
    click(w, "sync_btn");
    shoot(dir, "09-sync-status");
    w.findChild<QLineEdit *>(QStringLiteral("user_filter_edit"))->setText(QStringLiteral("569 4"));
    shoot(dir, "10-finder");
    w.findChild<QLineEdit *>(QStringLiteral("user_filter_edit"))->clear();

    auto *tabs = w.findChild<QTabWidget *>(QStringLiteral("tabs"));
    tabs->setCurrentIndex(1);
    click(w, "get_log_btn");
    shoot(dir, "04-log");

    tabs->setCurrentIndex(2);
    click(w, "get_params_btn");
    shoot(dir, "05-params");

    // The smallest sizes the window is used at, with the console and the
    // developers' row: nothing may be clipped.
    tabs->setCurrentIndex(0);
    QMetaObject::invokeMethod(&w, "show_debug");
    w.resize(1000, 800);
    shoot(dir, "07-1000x800");
    w.resize(1366, 768);
    shoot(dir, "08-1366x768");

    // A second visit after changes made on the controller: the Historial
    // page lists them; the Registro tab shows the archive and its chart.
    QMetaObject::invokeMethod(&w, "show_debug");
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
    shoot(dir, "11-history");
    tabs->setCurrentIndex(1);
    click(w, "log_archive_btn");
    click(w, "log_chart_btn");
    shoot(dir, "12-archive-chart");
    return 0;
}
