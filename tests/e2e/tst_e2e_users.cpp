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
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

namespace {

// Connects the window to the simulator and downloads its users.
void connect_and_download(DORVAK_Admin &w, const SimProcess &sim)
{
    w.choose_port(sim.port());
    w.findChild<QPushButton *>("connect_btn")->click();
    w.findChild<QPushButton *>("get_users_btn")->click();
}

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
    void number_changed();
    void refusals_and_questions();
    void interrupted_download_data();
    void interrupted_download();
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
    connect_and_download(w, sim);
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
    QCOMPARE(answerer.texts().size(), 1);
    QVERIFY(answerer.texts().first().startsWith("¿Borrar a "));
}

void TstE2eUsers::number_changed()
{
    // A user with visitors takes another number: the controller keeps one
    // record for the person, under the new number, owning the visitors.
    SimProcess sim({"--baud", "115200"});
    QVERIFY(sim.ok());
    ModalAnswerer answerer;
    DORVAK_Admin w;
    TestProbe probe(w);
    connect_and_download(w, sim);
    UserRow *user = nullptr;
    for (QTreeWidgetItemIterator it(probe.root()); *++it && !user;) {
        auto *u = static_cast<UserRow *>(*it);
        if (u->categoria == UserRow::Usuario && u->childCount() > 0)
            user = u;
    }
    QVERIFY(user);
    const QString old_number = user->numero;
    const int visitors = user->childCount();
    probe.user_tree()->setCurrentItem(user);
    w.findChild<QPushButton *>("edit_btn")->click();
    probe.user_panel()->findChild<QLineEdit *>("numero_edit")->setText("+56911122233");
    w.findChild<QPushButton *>("save_btn")->click();
    QVERIFY(!user->pending);

    const QStringList seen = shown(probe);
    w.findChild<QPushButton *>("disconnect_btn")->click();
    const QStringList after = database(sim);
    QCOMPARE(seen, after);
    QVERIFY(after.filter(old_number).isEmpty());
    QCOMPARE(
        after.filter(QRegularExpression(QStringLiteral("^\\d+ %1 ").arg(user->id_user))).size(),
        visitors);
    w.findChild<QPushButton *>("connect_btn")->click();
    w.findChild<QPushButton *>("get_users_btn")->click();
    QCOMPARE(shown(probe), after);
    QVERIFY(answerer.seen().isEmpty());
}

void TstE2eUsers::refusals_and_questions()
{
    SimProcess sim({"--baud", "115200"});
    QVERIFY(sim.ok());
    ModalAnswerer answerer;
    DORVAK_Admin w;
    TestProbe probe(w);
    w.show();
    connect_and_download(w, sim);
    const QStringList before = shown(probe);
    auto *admin = static_cast<UserRow *>(probe.root()->child(0));
    auto *other = static_cast<UserRow *>(probe.root()->child(1));
    const QString kept_name = other->nombre;

    // A name the controller refuses: reported, left pending and marked.
    other->nombre = QStringLiteral("Peña Núñez");
    other->pending = true;
    w.findChild<QPushButton *>("sync_btn")->click();
    QCOMPARE(answerer.texts(), QStringList{"1 de 1 usuarios no se pudieron grabar"});
    QVERIFY(other->pending && other->failure.startsWith("ERROR"));
    QVERIFY(w.windowTitle().contains("1 cambios sin sincronizar"));

    // Borrar on a closed port keeps the record; on the open line it goes
    // from the controller and then from the tree.
    const QString doomed = admin->numero;
    w.findChild<QPushButton *>("disconnect_btn")->click();
    probe.user_tree()->setCurrentItem(admin);
    w.findChild<QPushButton *>("borrar_btn")->click();
    QCOMPARE(probe.root()->child(0), admin);
    w.findChild<QPushButton *>("connect_btn")->click();
    w.findChild<QPushButton *>("borrar_btn")->click();
    QVERIFY(probe.root()->child(0) != admin);

    // Pending work is discarded only when the user says so.
    answerer.queue_button(QMessageBox::No);
    w.findChild<QPushButton *>("get_users_btn")->click();
    QCOMPARE(other->nombre, QStringLiteral("Peña Núñez"));
    answerer.queue_button(QMessageBox::No);
    QVERIFY(!w.QWidget::close() && w.isVisible());
    w.findChild<QPushButton *>("get_users_btn")->click();
    const QString ask = "Hay 1 cambios sin sincronizar. ¿Descartarlos?";
    QStringList texts = answerer.texts();
    QVERIFY(texts.takeAt(2).startsWith("¿Borrar a "));
    QCOMPARE(texts,
             QStringList({"1 de 1 usuarios no se pudieron grabar", "El puerto está cerrado", ask,
                          ask, ask}));

    const QStringList seen = shown(probe);
    w.findChild<QPushButton *>("disconnect_btn")->click();
    const QStringList after = database(sim);
    QCOMPARE(seen, after);
    QVERIFY(after.filter(doomed).isEmpty() && !after.filter(kept_name).isEmpty());
    QVERIFY(after.size() < before.size());
    QVERIFY(w.QWidget::close());
}

void TstE2eUsers::interrupted_download_data()
{
    // What cuts the list short; the answer to the count arrives.
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("button"); // pressed 0.5 s into the download
    QTest::addColumn<QString>("message");
    const QString cut = "Descarga incompleta: \\d+ de 200 usuarios";
    // clang-format off
    QTest::newRow("disconnect") << QStringList() << "disconnect_btn" << cut;
    QTest::newRow("Detener") << QStringList() << "stop_btn" << "";
    // The lost line's own message says what happened.
    QTest::newRow("hang-up") << QStringList{"--hangup-after", "1"} << "" << "Critical Error";
    // clang-format on
}

void TstE2eUsers::interrupted_download()
{
    QFETCH(QStringList, args);
    QFETCH(QString, button);
    QFETCH(QString, message);
    SimProcess sim(args + QStringList{"--users", "200", "--baud", "115200"});
    QVERIFY(sim.ok());
    ModalAnswerer answerer;
    DORVAK_Admin w;
    TestProbe probe(w);
    // A record waiting for upload, made before the line was opened.
    UserRow *mine = create(probe, probe.root(), "+56955500001", 0);
    w.choose_port(sim.port());
    w.findChild<QPushButton *>("connect_btn")->click();
    if (!button.isEmpty())
        QTimer::singleShot(500, w.findChild<QPushButton *>(button), &QPushButton::click);
    w.findChild<QPushButton *>("get_users_btn")->click();

    QCOMPARE(probe.root()->childCount(), 1);
    QCOMPARE(probe.root()->child(0), mine);
    QVERIFY(mine->pending);
    QStringList texts = answerer.texts();
    QCOMPARE(texts.takeFirst(), QStringLiteral("Hay 1 cambios sin sincronizar. ¿Descartarlos?"));
    if (message.isEmpty())
        QCOMPARE(texts, QStringList());
    else
        QVERIFY2(texts.size() == 1
                     && (QRegularExpression(message).match(texts.first()).hasMatch()
                         || answerer.seen().last().title == message),
                 qPrintable(texts.join('|')));
}

QTEST_MAIN(TstE2eUsers)
#include "tst_e2e_users.moc"
