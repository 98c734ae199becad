// The user directory against the real simulator: a download shows the
// controller's database, and what the tool creates, edits and deletes, on
// an open or a closed port, is what the controller holds afterwards.
#include "modal_answerer.h"
#include "probe.h"
#include "sim_process.h"
#include "user_lines.h"
#include "user_panel.h"
#include "user_row.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <memory>

namespace {

QString entry(const UserRow *u, int owner)
{
    return QStringLiteral("%1 %2 %3 %4").arg(u->id_user).arg(owner).arg(u->numero, u->nombre);
}

// "id owner number name" of every record, sorted: as the controller lists
// them (the window must not hold the port meanwhile) ...
QStringList database(const SimProcess &sim)
{
    QStringList out;
    for (const QString &line : sim.query(QStringLiteral("LU"))) {
        const std::unique_ptr<UserRow> u(is_user_record(line) ? parse_user_line(line) : nullptr);
        if (u)
            out << entry(u.get(), u->id_padre);
    }
    out.sort();
    return out;
}

// ... and as the tree shows them, owned by the record above them (an
// administrator by itself).
QStringList shown(TestProbe &probe)
{
    QStringList out;
    for (QTreeWidgetItemIterator it(probe.root()); *++it;) {
        const auto *u = static_cast<UserRow *>(*it);
        const auto *owner = static_cast<UserRow *>(u->parent());
        out << entry(u, owner == probe.root() ? u->id_user : owner->id_user);
    }
    out.sort();
    return out;
}

// "Nuevo" under `owner`, the number and category filled in, "Grabar".
UserRow *create(TestProbe &probe, QTreeWidgetItem *owner, const QString &numero, int cat_index)
{
    probe.user_tree()->setCurrentItem(owner);
    probe.w.findChild<QPushButton *>("nuevo_btn")->click();
    probe.user_panel()->findChild<QLineEdit *>("numero_edit")->setText(numero);
    probe.user_panel()->findChild<QComboBox *>("cat_combo")->setCurrentIndex(cat_index);
    probe.w.findChild<QPushButton *>("save_btn")->click();
    return static_cast<UserRow *>(probe.user_tree()->currentItem());
}

} // namespace

class TstE2eUsers : public QObject
{
    Q_OBJECT

private slots:
    void round_trip_data();
    void round_trip();
};

void TstE2eUsers::round_trip_data()
{
    QTest::addColumn<QStringList>("args");
    // clang-format off
    QTest::newRow("plain") << QStringList();
    QTest::newRow("cr lf") << QStringList{"--crlf"};
    QTest::newRow("noise") << QStringList{"--noise"};
    // clang-format on
}

void TstE2eUsers::round_trip()
{
    QFETCH(QStringList, args);
    SimProcess sim(args);
    QVERIFY(sim.ok());
    const QStringList before = database(sim);
    QVERIFY(before.size() >= 30);
    ModalAnswerer answerer;
    DORVAK_Admin w;
    TestProbe probe(w);
    w.choose_port(sim.port());
    w.findChild<QPushButton *>("connect_btn")->click();
    w.findChild<QPushButton *>("get_users_btn")->click();
    QCOMPARE(shown(probe), before);

    // On the open port: an administrator, its user and a visitor saved and
    // synchronised, the visitor deleted again.
    UserRow *user =
        create(probe, create(probe, probe.root(), "+56955500001", 0), "+56955500002", 1);
    QVERIFY(!create(probe, user, "+56955500003", 2)->pending);
    w.findChild<QPushButton *>("sync_btn")->click();
    w.findChild<QPushButton *>("borrar_btn")->click();
    // On a closed port: the user renamed and another visitor created.
    w.findChild<QPushButton *>("disconnect_btn")->click();
    probe.user_tree()->setCurrentItem(user);
    w.findChild<QPushButton *>("edit_btn")->click();
    probe.user_panel()->findChild<QLineEdit *>("nombre_edit")->setText("Editado");
    w.findChild<QPushButton *>("save_btn")->click();
    QVERIFY(create(probe, user, "+56955500009", 2)->pending && user->pending);
    w.findChild<QPushButton *>("connect_btn")->click();
    w.findChild<QPushButton *>("sync_btn")->click();

    const QStringList seen = shown(probe);
    w.findChild<QPushButton *>("disconnect_btn")->click();
    const QStringList after = database(sim);
    QCOMPARE(seen, after);
    QCOMPARE(after.size(), before.size() + 3);
    QCOMPARE(after.filter(" +56955500002 Editado").size(), 1);
    w.findChild<QPushButton *>("connect_btn")->click();
    w.findChild<QPushButton *>("get_users_btn")->click();
    QCOMPARE(shown(probe), after);
    QVERIFY(answerer.seen().isEmpty());
}

QTEST_MAIN(TstE2eUsers)
#include "tst_e2e_users.moc"
