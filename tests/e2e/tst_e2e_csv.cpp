// The users CSV file and the test-user generator against the real
// simulator: a directory carried through a file to a second controller, and
// a generated hierarchy as the controller keeps it.
#include "log_capture.h"
#include "modal_answerer.h"
#include "probe.h"
#include "sim_process.h"
#include "user_lines.h"
#include "user_row.h"

#include <QHash>
#include <QPushButton>
#include <QShortcut>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// The directory as the window's tree shows it, whatever ids a controller
// gave the records: each owner is named by its number.
QStringList directory(QTreeWidgetItem *root)
{
    QStringList out;
    QList<QTreeWidgetItem *> walk{root};
    while (!walk.isEmpty()) {
        QTreeWidgetItem *item = walk.takeLast();
        for (int i = 0; i < item->childCount(); ++i)
            walk << item->child(i);
        const auto *u = static_cast<UserRow *>(item);
        const auto *owner = static_cast<UserRow *>(item->parent());
        if (u != root)
            out << QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8")
                       .arg(u->numero, u->nombre, owner == root ? QString() : owner->numero)
                       .arg(u->categoria).arg(u->hrs_reman).arg(u->rh_ini).arg(u->rh_fin)
                       .arg(u->rd);
    }
    out.sort();
    return out;
}

} // namespace

class TstE2eCsv : public QObject
{
    Q_OBJECT

private slots:
    void round_trip_data();
    void round_trip();
    void generator();

private:
    static void connect_to(DORVAK_Admin &w, const QString &port)
    {
        w.choose_port(port);
        click(w, "connect_btn");
        QVERIFY(TestProbe(w).serial()->isOpen());
    }
    static void click(DORVAK_Admin &w, const char *button)
    {
        w.findChild<QPushButton *>(QLatin1String(button))->click();
    }
};

void TstE2eCsv::round_trip_data()
{
    QTest::addColumn<QStringList>("target");

    QTest::newRow("empty controller") << QStringList{"--users", "0"};
    // Its own users hold the file's ids: the imported records get other
    // ids, and what they own must follow.
    QTest::newRow("controller with other users") << QStringList{"--seed", "7"};
}

void TstE2eCsv::round_trip()
{
    QFETCH(QStringList, target);
    SimProcess source;
    SimProcess second(target);
    QVERIFY(source.ok() && second.ok());
    QTemporaryDir dir;
    ModalAnswerer answerer;
    answerer.queue_file(dir.filePath(QStringLiteral("usuarios")));
    answerer.queue_file(dir.filePath(QStringLiteral("usuarios.csv")));
    DORVAK_Admin w;
    TestProbe probe(w);

    connect_to(w, second.port());
    click(w, "get_users_btn");
    const QStringList present = directory(probe.root());
    click(w, "disconnect_btn");
    connect_to(w, source.port());
    click(w, "get_users_btn");
    const QStringList original = directory(probe.root());
    QVERIFY(original.size() >= 30);
    click(w, "export_users_btn");
    click(w, "limpia_usuarios_btn");
    click(w, "import_users_btn");
    QCOMPARE(directory(probe.root()), original);

    click(w, "disconnect_btn");
    connect_to(w, second.port());
    click(w, "sync_btn");
    for (UserRow *u : qAsConst(probe.users()))
        QVERIFY2(!u->pending, qPrintable(u->nombre));
    click(w, "get_users_btn");
    QStringList expected = original + present;
    expected.sort();
    QCOMPARE(directory(probe.root()), expected);
    QCOMPARE(answerer.seen().size(), 2);
}

void TstE2eCsv::generator()
{
    SimProcess sim;
    QVERIFY(sim.ok());
    const int before = sim.query(QStringLiteral("TOT_USERS")).value(0).toInt();
    LogCapture quiet;
    ModalAnswerer answerer;
    DORVAK_Admin w;
    connect_to(w, sim.port());
    w.findChild<QShortcut *>(QStringLiteral("debug_shortcut"))->activated();
    click(w, "add_5000_btn");
    click(w, "disconnect_btn");
    QVERIFY(answerer.seen().isEmpty());

    QCOMPARE(sim.query(QStringLiteral("TOT_USERS")), QStringList{QString::number(before + 511)});
    // One administrator "Admin test", ten users under it, fifty visitors
    // under each of them.
    QList<std::shared_ptr<UserRow>> db;
    const QStringList lines = sim.query(QStringLiteral("LU"));
    for (const QString &line : lines)
        db << std::shared_ptr<UserRow>(parse_user_line(line));
    QHash<int, int> owned; // records under each generated owner
    int admin = -1;
    for (const auto &u : db) {
        if (u && u->nombre == QLatin1String("Admin test")) {
            QCOMPARE(admin, -1);
            admin = u->id_user;
        }
    }
    for (const auto &u : db) {
        if (u && u->nombre.startsWith(QLatin1String("USER ")) && u->id_padre == admin)
            owned.insert(u->id_user, 0);
    }
    QCOMPARE(owned.size(), 10);
    for (const auto &u : db) {
        if (u && u->categoria == UserRow::Visita && owned.contains(u->id_padre))
            ++owned[u->id_padre];
    }
    for (int visitors : qAsConst(owned))
        QCOMPARE(visitors, 50);
}

QTEST_MAIN(TstE2eCsv)
#include "tst_e2e_csv.moc"
