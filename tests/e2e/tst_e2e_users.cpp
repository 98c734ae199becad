// The user directory against the real simulator: a download shows the
// controller's database, and what the tool creates, edits, renumbers and
// deletes, on an open or a closed port, is what the controller holds.
#include "modal_answerer.h"
#include "probe.h"
#include "sim_process.h"
#include "user_index.h"
#include "user_lines.h"
#include "user_panel.h"
#include "user_row.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <memory>

namespace {

QPushButton *button(DORVAK_Admin &w, const char *name)
{
    return w.findChild<QPushButton *>(name);
}

QString entry(const QString &id, int owner, const UserRow *u)
{
    return QStringList({id, QString::number(owner), u->numero, u->nombre}).join(' ');
}

// "id owner number name" of every record, sorted: as the controller lists
// them (the window must not hold the port meanwhile) ...
QStringList database(const SimProcess &sim)
{
    QStringList out;
    for (const QString &line : sim.query(QStringLiteral("LU"))) {
        const std::unique_ptr<UserRow> u(is_user_record(line) ? parse_user_line(line) : nullptr);
        if (u)
            out << entry(QString::number(u->id_user), u->id_padre, u.get());
    }
    out.sort();
    return out;
}

// ... and as the tree shows them, owned by the record above them (an
// administrator by itself), with the id the row shows.
QStringList shown(TestProbe &probe)
{
    QStringList out;
    for (QTreeWidgetItemIterator it(probe.root()); *++it;) {
        const auto *u = static_cast<UserRow *>(*it);
        const auto *owner = static_cast<UserRow *>(u->parent());
        out << entry(u->text(0), owner == probe.root() ? u->id_user : owner->id_user, u);
    }
    out.sort();
    return out;
}

// "Nuevo" under `owner` (asked where it may), the number typed, "Grabar": the
// new record, or null when Nuevo did not open the edit (Grabar and Cancelar
// on, Editar off).
UserRow *create(TestProbe &probe, ModalAnswerer &answerer, QTreeWidgetItem *owner,
                const QString &numero)
{
    if (owner->parent())
        answerer.queue_button(QMessageBox::Yes);
    probe.user_tree()->setCurrentItem(owner);
    button(probe.w, "nuevo_btn")->click();
    const bool editing = !button(probe.w, "edit_btn")->isEnabled()
        && button(probe.w, "save_btn")->isEnabled() && button(probe.w, "cancel_btn")->isEnabled();
    probe.user_panel()->findChild<QLineEdit *>("nombre_edit")->setText("Nuevo");
    probe.user_panel()->findChild<QLineEdit *>("numero_edit")->setText(numero);
    button(probe.w, "save_btn")->click();
    return editing ? static_cast<UserRow *>(probe.user_tree()->currentItem()) : nullptr;
}

// Editar on `u`, `field` set to `text`, Grabar.
void edit(TestProbe &probe, UserRow *u, const char *field, const QString &text)
{
    probe.user_tree()->setCurrentItem(u);
    button(probe.w, "edit_btn")->click();
    probe.user_panel()->findChild<QLineEdit *>(field)->setText(text);
    button(probe.w, "save_btn")->click();
}

} // namespace

class TstE2eUsers : public QObject
{
    Q_OBJECT

private slots:
    void directory();
};

void TstE2eUsers::directory()
{
    SimProcess sim({"--baud", "115200"});
    QVERIFY(sim.ok());
    const QStringList before = database(sim);
    ModalAnswerer answerer;
    DORVAK_Admin w;
    TestProbe probe(w);
    connect_window(w, sim.port());
    button(w, "get_users_btn")->click();
    QCOMPARE(shown(probe), before);

    // On the open port: an administrator, its user and a visitor, each what
    // its owner makes it, stored at once; the visitor deleted again.
    UserRow *admin = create(probe, answerer, probe.root(), "+56955500001");
    UserRow *user = admin ? create(probe, answerer, admin, "+56955500002") : nullptr;
    UserRow *visitor = user ? create(probe, answerer, user, "+56955500003") : nullptr;
    QVERIFY(visitor && !visitor->pending);
    QCOMPARE(QVector<int>({admin->categoria, user->categoria, visitor->categoria}),
             QVector<int>({UserRow::Admin, UserRow::Usuario, UserRow::Visita}));
    const int visitor_id = visitor->id_user;
    button(w, "borrar_btn")->click();
    // The lookup that finds the number gone is no fault.
    QVERIFY(w.findChild<QPlainTextEdit *>("console")->toPlainText().contains("número eliminado"));

    // On a closed port: the user renamed, a downloaded visitor renumbered
    // and another visitor made, under an id past every one handed out; all
    // wait for Sincronizar, which shows them first.
    button(w, "disconnect_btn")->click();
    UserRow *moved = nullptr;
    for (UserRow *u : records_below(probe.root()))
        moved =
            !moved && u->categoria == UserRow::Visita && !u->numero_device.isEmpty() ? u : moved;
    QVERIFY(moved);
    const QString old_number = moved->numero;
    edit(probe, moved, "numero_edit", "+56911100011");
    probe.user_tree()->setCurrentItem(admin);
    QVERIFY(button(w, "edit_btn")->isEnabled() && !button(w, "save_btn")->isEnabled());
    edit(probe, user, "nombre_edit", "Editado");
    UserRow *late = create(probe, answerer, user, "+56955500009");
    QVERIFY(late && late->pending && user->pending && late->id_user > visitor_id);
    button(w, "connect_btn")->click();
    button(w, "sync_btn")->click();
    QVERIFY(answerer.texts().last().contains(": 1 alta, 1 cambio, 1 número nuevo.\n"));

    // The user takes another number: one record for the person, under the
    // new number, owning the visitor.
    edit(probe, user, "numero_edit", "+56911122233");
    QVERIFY(!user->pending && !late->pending);
    const QStringList seen = shown(probe);

    // A name the controller refuses: reported, left pending and marked.
    auto *other = static_cast<UserRow *>(probe.root()->child(1));
    other->nombre = QStringLiteral("Peña Núñez");
    other->pending = true;
    button(w, "sync_btn")->click();
    QVERIFY(other->pending && other->failure.startsWith("ERROR"));
    QVERIFY(w.windowTitle().contains("1 cambio sin sincronizar"));

    // Read again, the directory is what the controller holds.
    button(w, "get_users_btn")->click();
    const QStringList read = shown(probe);
    button(w, "disconnect_btn")->click();
    const QStringList after = database(sim);
    QCOMPARE(seen, after);
    QCOMPARE(read, after);
    QCOMPARE(after.size(), before.size() + 3);
    QCOMPARE(after.filter(" +56911122233 Editado").size(), 1);
    QCOMPARE(after.filter(" " + old_number + " ").size(), 0);
    // Nuevo's questions; Borrar, two previews, the refusal, Obtener's question.
    QStringList said = answerer.texts();
    QCOMPARE(said.removeAll("¿Qué registro nuevo?"), 3);
    QCOMPARE(said.size(), 5);
    QVERIFY(said.first().startsWith("¿Borrar a N"));
    QCOMPARE(said.at(3), "1 de 1 usuarios no se pudieron grabar");
}

QTEST_MAIN(TstE2eUsers)
#include "tst_e2e_users.moc"
