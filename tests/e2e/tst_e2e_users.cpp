// The user directory against the real simulator: download the database,
// create, save, delete and synchronise, and check what the controller holds.
#include "modal_answerer.h"
#include "probe.h"
#include "sim_process.h"
#include "user_index.h"
#include "user_lines.h"
#include "user_row.h"

#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <memory>

namespace {

struct Stored {
    int id = 0;
    int categoria = 0;
    int id_padre = 0;
    QString nombre;
    QString numero;
};

// The controller's database as it answers "LU" (the window must not hold
// the port meanwhile).
QList<Stored> database(const SimProcess &sim)
{
    QList<Stored> out;
    const QStringList lines = sim.query(QStringLiteral("LU"));
    for (const QString &line : lines) {
        if (!is_user_record(line))
            continue;
        const std::unique_ptr<UserRow> u(parse_user_line(line));
        out << Stored{u->id_user, u->categoria, u->id_padre, u->nombre, u->numero};
    }
    return out;
}

const Stored *by_number(const QList<Stored> &db, const QString &numero)
{
    for (const Stored &s : db) {
        if (s.numero == numero)
            return &s;
    }
    return nullptr;
}

} // namespace

class TstE2eUsers : public QObject
{
    Q_OBJECT

private slots:
    void download_data();
    void download();

private:
    static void connect_to(DORVAK_Admin &w, const QString &port)
    {
        w.choose_port(port);
        w.findChild<QPushButton *>(QStringLiteral("connect_btn"))->click();
        QVERIFY(TestProbe(w).serial()->isOpen());
    }
    static void click(DORVAK_Admin &w, const char *button)
    {
        w.findChild<QPushButton *>(QLatin1String(button))->click();
    }
};

void TstE2eUsers::download_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("plain") << QStringList();
    QTest::newRow("cr lf") << QStringList{"--crlf"};
    QTest::newRow("noise") << QStringList{"--noise"};
    QTest::newRow("large, paced") << QStringList{"--users", "600", "--baud", "1000000"};
}

void TstE2eUsers::download()
{
    QFETCH(QStringList, args);
    SimProcess sim(args);
    QVERIFY(sim.ok());
    const QList<Stored> db = database(sim);
    QVERIFY(db.size() >= 30);

    ModalAnswerer answerer;
    DORVAK_Admin w;
    TestProbe probe(w);
    connect_to(w, sim.port());
    click(w, "get_users_btn");

    QCOMPARE(probe.root()->text(0), QStringLiteral("Raíz"));
    QCOMPARE(probe.users().size(), db.size());
    const UserIndex index(probe.user_tree());
    for (const Stored &s : db) {
        UserRow *row = index.find(s.id);
        QVERIFY2(row, qPrintable(QString::number(s.id)));
        QCOMPARE(row->numero, s.numero);
        QCOMPARE(row->text(3), UserRow::category_text(s.categoria));
        auto *owner = static_cast<UserRow *>(row->parent());
        if (s.categoria == UserRow::Admin)
            QCOMPARE(owner, probe.root());
        else
            QCOMPARE(owner->id_user, s.id_padre);
        QVERIFY(row->isExpanded() || row->childCount() == 0);
    }
    auto *bar = w.findChild<QProgressBar *>(QStringLiteral("progress"));
    QCOMPARE(bar->value(), 0);
    QCOMPARE(bar->format(), QString());
    QVERIFY(answerer.seen().isEmpty());
}

QTEST_MAIN(TstE2eUsers)
#include "tst_e2e_users.moc"
