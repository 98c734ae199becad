// The users CSV file and the test-user generator against the real
// simulator: a directory carried through a file to a second controller, and
// a generated hierarchy as the controller stores it.
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
#include <QTreeWidget>

#include <memory>

namespace {

// The controller's records as "LU" lists them (the window must not hold the
// port meanwhile).
QList<std::shared_ptr<UserRow>> database(const SimProcess &sim)
{
    QList<std::shared_ptr<UserRow>> out;
    const QStringList lines = sim.query(QStringLiteral("LU"));
    for (const QString &line : lines) {
        if (is_user_record(line))
            out << std::shared_ptr<UserRow>(parse_user_line(line));
    }
    return out;
}

// One record as the directory knows it, whatever id a controller gave it:
// the owner is named by its number.
QString entry(const UserRow &u, const QString &owner)
{
    return QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8")
        .arg(u.numero, u.nombre)
        .arg(u.categoria)
        .arg(owner)
        .arg(u.hrs_reman)
        .arg(u.rh_ini)
        .arg(u.rh_fin)
        .arg(u.rd);
}

QStringList directory(const QList<std::shared_ptr<UserRow>> &db)
{
    QHash<int, QString> number_of;
    for (const auto &u : db)
        number_of.insert(u->id_user, u->numero);
    QStringList out;
    for (const auto &u : db)
        out << entry(*u, u->categoria == UserRow::Admin ? QString() : number_of.value(u->id_padre));
    out.sort();
    return out;
}

// The same from the window's tree: the owner is the item above.
QStringList directory(QTreeWidgetItem *root)
{
    QStringList out;
    QList<QTreeWidgetItem *> walk;
    for (int i = 0; i < root->childCount(); ++i)
        walk << root->child(i);
    while (!walk.isEmpty()) {
        auto *u = static_cast<UserRow *>(walk.takeLast());
        auto *owner = static_cast<UserRow *>(u->parent());
        out << entry(*u, owner == root ? QString() : owner->numero);
        for (int i = 0; i < u->childCount(); ++i)
            walk << u->child(i);
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
    // Its own users hold the ids of the file: the controller gives the
    // imported records other ids, and what they own must follow.
    QTest::newRow("controller with other users") << QStringList{"--seed", "7"};
}

void TstE2eCsv::round_trip()
{
    QFETCH(QStringList, target);
    SimProcess source;
    SimProcess second(target);
    QVERIFY(source.ok() && second.ok());
    const QStringList original = directory(database(source));
    const QStringList present = directory(database(second));
    QVERIFY(original.size() >= 30);

    QTemporaryDir dir;
    ModalAnswerer answerer;
    answerer.queue_file(dir.filePath(QStringLiteral("usuarios")));
    answerer.queue_file(dir.filePath(QStringLiteral("usuarios.csv")));
    DORVAK_Admin w;
    TestProbe probe(w);
    connect_to(w, source.port());
    click(w, "get_users_btn");
    click(w, "export_users_btn");
    click(w, "limpia_usuarios_btn");
    QCOMPARE(probe.root()->childCount(), 0);
    click(w, "import_users_btn");
    QCOMPARE(probe.users().size(), original.size());
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
    click(w, "disconnect_btn");
    QCOMPARE(directory(database(second)), expected);
    QCOMPARE(answerer.seen().size(), 2);
}

void TstE2eCsv::generator()
{
    SimProcess sim;
    QVERIFY(sim.ok());
    const int before = database(sim).size();
    LogCapture quiet;
    ModalAnswerer answerer;
    DORVAK_Admin w;
    connect_to(w, sim.port());
    w.findChild<QShortcut *>(QStringLiteral("debug_shortcut"))->activated();
    click(w, "add_5000_btn");
    click(w, "disconnect_btn");
    QVERIFY(answerer.seen().isEmpty());

    QCOMPARE(sim.query(QStringLiteral("TOT_USERS")), QStringList{QString::number(before + 511)});
    const auto db = database(sim);
    QList<int> admins;
    QHash<int, int> visitors_of;
    for (const auto &u : db) {
        if (u->nombre == QLatin1String("Admin test"))
            admins << u->id_user;
    }
    QCOMPARE(admins.size(), 1);
    for (const auto &u : db) {
        if (u->categoria == UserRow::Usuario && u->id_padre == admins.first()) {
            QCOMPARE(u->nombre, QStringLiteral("USER %1").arg(u->id_user));
            visitors_of.insert(u->id_user, 0);
        }
    }
    QCOMPARE(visitors_of.size(), 10);
    for (const auto &u : db) {
        if (u->categoria == UserRow::Visita && visitors_of.contains(u->id_padre)) {
            QVERIFY(u->nombre.startsWith(QLatin1String("GUEST ")));
            QVERIFY(u->numero.startsWith(QLatin1String("+562")));
            QCOMPARE(u->numero.size(), 12);
            ++visitors_of[u->id_padre];
        }
    }
    for (int count : qAsConst(visitors_of))
        QCOMPARE(count, 50);
}

QTEST_MAIN(TstE2eCsv)
#include "tst_e2e_csv.moc"
