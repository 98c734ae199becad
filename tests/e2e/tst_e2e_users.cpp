// The user directory against the real simulator: download the database,
// create, save, delete and synchronise, and check what the controller holds.
#include "modal_answerer.h"
#include "probe.h"
#include "sim_process.h"
#include "user_index.h"
#include "user_lines.h"
#include "user_panel.h"
#include "user_row.h"

#include <QComboBox>
#include <QLineEdit>
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
    void create_save_delete();
    void offline_edits_wait_for_sync();

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
    // "Nuevo" under `owner`, the form filled in, "Grabar".
    static UserRow *create(DORVAK_Admin &w, UserRow *owner, const QString &nombre,
                           const QString &numero, int cat_index)
    {
        TestProbe probe(w);
        probe.user_tree()->setCurrentItem(owner);
        click(w, "nuevo_btn");
        auto *record = static_cast<UserRow *>(probe.user_tree()->currentItem());
        UserPanel *panel = probe.user_panel();
        panel->findChild<QLineEdit *>(QStringLiteral("nombre_edit"))->setText(nombre);
        panel->findChild<QLineEdit *>(QStringLiteral("numero_edit"))->setText(numero);
        panel->findChild<QComboBox *>(QStringLiteral("cat_combo"))->setCurrentIndex(cat_index);
        click(w, "save_btn");
        return record;
    }
    static UserRow *first_of(UserRow *owner, int categoria)
    {
        for (int i = 0; i < owner->childCount(); ++i) {
            auto *u = static_cast<UserRow *>(owner->child(i));
            if (u->categoria == categoria)
                return u;
        }
        return nullptr;
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

void TstE2eUsers::create_save_delete()
{
    SimProcess sim;
    QVERIFY(sim.ok());
    ModalAnswerer answerer;
    DORVAK_Admin w;
    TestProbe probe(w);
    connect_to(w, sim.port());
    click(w, "get_users_btn");

    UserRow *admin = create(w, probe.root(), "Admin Nuevo", "+56955500001", 0);
    UserRow *user = create(w, admin, "Casa Nueva", "+56955500002", 1);
    UserRow *first = create(w, user, "Visita Uno", "+56955500003", 2);
    UserRow *second = create(w, user, "Visita Dos", "+56955500004", 2);
    for (UserRow *u : {admin, user, first, second})
        QVERIFY(!u->pending);
    click(w, "sync_btn");
    probe.user_tree()->setCurrentItem(second);
    click(w, "borrar_btn");
    QVERIFY(answerer.seen().isEmpty());
    const int ids[] = {admin->id_user, user->id_user, first->id_user};

    click(w, "disconnect_btn");
    const QList<Stored> db = database(sim);
    QVERIFY(!by_number(db, "+56955500004"));
    const Stored *a = by_number(db, "+56955500001");
    const Stored *u = by_number(db, "+56955500002");
    const Stored *v = by_number(db, "+56955500003");
    QVERIFY(a && u && v);
    QCOMPARE(a->categoria, int(UserRow::Admin));
    QCOMPARE(u->id_padre, a->id);
    QCOMPARE(v->id_padre, u->id);
    QCOMPARE(v->nombre, QStringLiteral("Visita Uno"));

    // A fresh download shows them with the controller's ids, each under its owner.
    click(w, "connect_btn");
    click(w, "get_users_btn");
    const UserIndex index(probe.user_tree());
    QCOMPARE(index.find(ids[0])->parent(), probe.root());
    QCOMPARE(index.find(ids[1])->parent(), index.find(ids[0]));
    QCOMPARE(index.find(ids[2])->parent(), index.find(ids[1]));
    QCOMPARE(index.find(ids[2])->numero, QStringLiteral("+56955500003"));
    QCOMPARE(probe.users().size(), db.size());
}

void TstE2eUsers::offline_edits_wait_for_sync()
{
    SimProcess sim;
    QVERIFY(sim.ok());
    ModalAnswerer answerer;
    DORVAK_Admin w;
    TestProbe probe(w);
    connect_to(w, sim.port());
    click(w, "get_users_btn");
    click(w, "disconnect_btn");

    // A user renamed and a visitor created while the port is closed (its id
    // comes from the counter, not from the controller).
    UserRow *user = first_of(static_cast<UserRow *>(probe.root()->child(0)), UserRow::Usuario);
    QVERIFY(user);
    probe.user_tree()->setCurrentItem(user);
    click(w, "edit_btn");
    probe.user_panel()->findChild<QLineEdit *>(QStringLiteral("nombre_edit"))->setText("Editado");
    click(w, "save_btn");
    UserRow *visitor = create(w, user, "Visita Nueva", "+56955500009", 2);
    QVERIFY(user->pending && visitor->pending);
    QVERIFY(answerer.seen().isEmpty());

    click(w, "connect_btn");
    click(w, "sync_btn");
    QVERIFY(!user->pending && !visitor->pending);
    click(w, "disconnect_btn");
    const QList<Stored> db = database(sim);
    const Stored *u = by_number(db, user->numero);
    const Stored *v = by_number(db, "+56955500009");
    QVERIFY(u && v);
    QCOMPARE(u->nombre, QStringLiteral("Editado"));
    QCOMPARE(v->id_padre, u->id);
    QCOMPARE(v->id, visitor->id_user);
    QCOMPARE(visitor->text(0), QString::number(v->id));
    QCOMPARE(UserIndex(probe.user_tree()).find(v->id), visitor);
}

QTEST_MAIN(TstE2eUsers)
#include "tst_e2e_users.moc"
