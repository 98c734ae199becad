// The tree commands, the upload with its confirmation and the
// synchronisation, against a scripted controller.
#include "fake_controller.h"
#include "log_capture.h"
#include "modal_answerer.h"
#include "probe.h"
#include "user_lines.h"
#include "user_panel.h"
#include "user_row.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

UserRow *add(QTreeWidgetItem *owner, int id, int categoria, const QString &numero)
{
    auto *u = new UserRow(owner);
    u->id_user = id;
    u->id_padre = categoria == UserRow::Admin ? id : static_cast<UserRow *>(owner)->id_user;
    u->categoria = categoria;
    u->nombre = QStringLiteral("N%1").arg(id);
    u->numero = numero;
    u->show_columns();
    return u;
}

QByteArray record_line(int id, const UserRow *u)
{
    return QStringLiteral("## %1,%2,\"%3\",%4,%5,0,0,0,0,24,127\n")
        .arg(id)
        .arg(UserRow::device_code(u->categoria))
        .arg(u->nombre, u->numero)
        .arg(u->id_padre)
        .toUtf8();
}

} // namespace

class TstUserCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void nuevo_data();
    void nuevo();
    void nuevo_takes_next_data();
    void nuevo_takes_next();
    void borrar_takes_the_branch();
    void edit_and_cancel();
    void confirmation_data();
    void confirmation();
    void save_on_closed_port();
    void sync_order();
    void sync_closed_port();
    void sync_stops_when_line_lost();

private:
    void click(const char *name) { w->findChild<QPushButton *>(QLatin1String(name))->click(); }
    bool enabled(const char *name)
    {
        return w->findChild<QPushButton *>(QLatin1String(name))->isEnabled();
    }
    void connect_to_fake()
    {
        w->choose_port(fake->port());
        click("connect_btn");
        QVERIFY(probe->serial()->isOpen());
    }

    FakeController *fake = nullptr;
    ModalAnswerer *answerer = nullptr;
    DORVAK_Admin *w = nullptr;
    TestProbe *probe = nullptr;
    UserRow *admin = nullptr;
    UserRow *user = nullptr;
    UserRow *visitor = nullptr;
};

void TstUserCommands::init()
{
    fake = new FakeController;
    answerer = new ModalAnswerer;
    w = new DORVAK_Admin;
    probe = new TestProbe(*w);
    admin = add(probe->root(), 1, UserRow::Admin, QStringLiteral("+56900000001"));
    user = add(admin, 2, UserRow::Usuario, QStringLiteral("+56900000002"));
    visitor = add(user, 3, UserRow::Visita, QStringLiteral("+56900000003"));
    UserRow::id_siguiente = 10;
}

void TstUserCommands::cleanup()
{
    delete probe;
    delete w;
    delete answerer;
    delete fake;
}

void TstUserCommands::nuevo_data()
{
    QTest::addColumn<QString>("owner");
    QTest::addColumn<QString>("message");
    QTest::newRow("under the root") << "root" << "";
    QTest::newRow("under an administrator") << "admin" << "";
    QTest::newRow("under a user") << "user" << "";
    QTest::newRow("under a visitor") << "visitor" << "Una Visita no puede tener usuarios usuarios";
    QTest::newRow("nothing selected") << "" << "Debe seleccionar primero un elemento";
}

void TstUserCommands::nuevo()
{
    QFETCH(QString, owner);
    QFETCH(QString, message);
    const QHash<QString, UserRow *> owners{
        {"root", probe->root()}, {"admin", admin}, {"user", user}, {"visitor", visitor}};
    UserRow *selected = owners.value(owner);
    if (selected)
        probe->user_tree()->setCurrentItem(selected);

    click("nuevo_btn");
    if (!message.isEmpty()) {
        QCOMPARE(answerer->texts(), QStringList{message});
        QCOMPARE(UserRow::id_siguiente, 10);
        return;
    }
    // The port is closed: the ids come from the counter, one after another.
    probe->user_tree()->setCurrentItem(selected);
    click("nuevo_btn");
    QVERIFY(answerer->seen().isEmpty());
    QCOMPARE(selected->childCount(), 3);
    auto *first = static_cast<UserRow *>(selected->child(selected->childCount() - 2));
    auto *second = static_cast<UserRow *>(selected->child(selected->childCount() - 1));
    QCOMPARE(first->id_user, 10);
    QCOMPARE(second->id_user, 11);
    for (UserRow *u : {first, second}) {
        QCOMPARE(u->id_padre, selected->id_user);
        QVERIFY(u->pending);
        QCOMPARE(u->categoria, int(UserRow::Visita));
        QCOMPARE(u->text(0), QString());
    }
    QCOMPARE(probe->user_tree()->currentItem(), second);
    QVERIFY(!probe->user_panel()->findChild<QLineEdit *>("nombre_edit")->isReadOnly());
    QVERIFY(!enabled("edit_btn") && enabled("save_btn") && enabled("cancel_btn"));
}

void TstUserCommands::nuevo_takes_next_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("counter");
    QTest::newRow("next free id") << QByteArray("57\n") << 57 << 58;
    QTest::newRow("two lines: counter kept") << QByteArray("57\n58\n") << 10 << 11;
}

void TstUserCommands::nuevo_takes_next()
{
    QFETCH(QByteArray, answer);
    fake->on("NEXT", answer);
    connect_to_fake();
    probe->user_tree()->setCurrentItem(admin);
    click("nuevo_btn");
    QCOMPARE(fake->count("NEXT"), 1);
    QTEST(static_cast<UserRow *>(admin->child(admin->childCount() - 1))->id_user, "id");
    QTEST(UserRow::id_siguiente, "counter");
}

void TstUserCommands::borrar_takes_the_branch()
{
    connect_to_fake();
    probe->users() = {admin, user, visitor};
    auto *other = add(probe->root(), 4, UserRow::Admin, QStringLiteral("+56900000004"));
    probe->user_tree()->setCurrentItem(probe->root());
    click("borrar_btn");
    probe->user_tree()->setCurrentItem(admin);
    click("borrar_btn");

    QCOMPARE(fake->lines(), QList<QByteArray>{"BU +56900000001\n"});
    QCOMPARE(probe->root()->childCount(), 1);
    QVERIFY(probe->users().isEmpty());
    // The selection moved on, and the editor shows it read-only.
    QCOMPARE(probe->user_tree()->currentItem(), other);
    auto *nombre = probe->user_panel()->findChild<QLineEdit *>("nombre_edit");
    QCOMPARE(nombre->text(), QStringLiteral("N4"));
    QVERIFY(nombre->isReadOnly());
}

void TstUserCommands::edit_and_cancel()
{
    auto *nombre = probe->user_panel()->findChild<QLineEdit *>("nombre_edit");
    probe->user_tree()->setCurrentItem(probe->root());
    click("edit_btn");
    QVERIFY(enabled("edit_btn") && !enabled("save_btn"));
    QVERIFY(nombre->isReadOnly());

    probe->user_tree()->setCurrentItem(user);
    click("edit_btn");
    QVERIFY(!enabled("edit_btn") && enabled("save_btn") && enabled("cancel_btn"));
    nombre->setText(QStringLiteral("Otro"));
    click("cancel_btn");
    QVERIFY(enabled("edit_btn") && !enabled("save_btn") && !enabled("cancel_btn"));
    QCOMPARE(nombre->text(), QStringLiteral("N2"));
    QVERIFY(nombre->isReadOnly());

    // Another selection while editing: back to browsing, the other record shown.
    click("edit_btn");
    nombre->setText(QStringLiteral("Otro"));
    probe->user_tree()->setCurrentItem(visitor);
    QVERIFY(enabled("edit_btn") && !enabled("save_btn"));
    QCOMPARE(nombre->text(), QStringLiteral("N3"));
    QCOMPARE(user->nombre, QStringLiteral("N2"));
}

void TstUserCommands::confirmation_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("confirmed");
    QTest::addColumn<int>("id");
    QTest::newRow("own record, same id") << QByteArray("own 2") << true << 2;
    QTest::newRow("own record, new id") << QByteArray("own 40") << true << 40;
    QTest::newRow("status line") << QByteArray("## OK\n") << false << 2;
    QTest::newRow("another number") << QByteArray("other") << false << 2;
    QTest::newRow("silence") << QByteArray() << false << 2;
}

void TstUserCommands::confirmation()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, confirmed);
    QFETCH(int, id);
    if (answer.startsWith("own"))
        answer = record_line(answer.mid(4).toInt(), user);
    else if (answer == "other")
        answer = record_line(2, visitor);
    user->pending = true;
    fake->on(upload_line(*user).trimmed().toUtf8(), "## OK\n");
    if (!answer.isEmpty())
        fake->on("UD_NUM +56900000002", answer);
    connect_to_fake();
    LogCapture log;
    probe->upload_user(user);

    QCOMPARE(fake->lines(), (QList<QByteArray>{" UU 2 2 \"N2\" +56900000002 1 0 0 24 255\n",
                                               "UD_NUM +56900000002\n"}));
    QCOMPARE(user->pending, !confirmed);
    QCOMPARE(user->id_user, id);
    // What it owns and its row follow the id the controller gave it.
    QCOMPARE(visitor->id_padre, id);
    QCOMPARE(user->text(0), QString::number(id));
    QCOMPARE(log.starting(QStringLiteral("Error confirmando")).size(), confirmed ? 0 : 1);
}

void TstUserCommands::save_on_closed_port()
{
    probe->user_tree()->setCurrentItem(user);
    click("edit_btn");
    auto *nombre = probe->user_panel()->findChild<QLineEdit *>("nombre_edit");
    nombre->setText(QStringLiteral("Casa nueva"));
    click("save_btn");
    QVERIFY(answerer->seen().isEmpty());
    QVERIFY(user->pending);
    QCOMPARE(user->text(1), QStringLiteral("Casa nueva"));
    QVERIFY(enabled("edit_btn") && !enabled("save_btn") && !enabled("cancel_btn"));
}

void TstUserCommands::sync_order()
{
    // Pending: the user and its visitor below a settled administrator, and
    // a second administrator.
    auto *second = add(probe->root(), 4, UserRow::Admin, QStringLiteral("+56900000004"));
    for (UserRow *u : {user, visitor, second}) {
        u->pending = true;
        fake->on(upload_line(*u).trimmed().toUtf8(), "## OK\n");
        fake->on(lookup_command(u->numero).toUtf8(), record_line(u->id_user, u));
    }
    connect_to_fake();
    click("sync_btn");
    QCOMPARE(fake->lines().size(), 6);
    QVERIFY(fake->lines().at(0).startsWith(" UU 2 "));
    QVERIFY(fake->lines().at(2).startsWith(" UU 3 "));
    QVERIFY(fake->lines().at(4).startsWith(" UU 4 "));
    for (UserRow *u : {admin, user, visitor, second})
        QVERIFY(!u->pending);
}

void TstUserCommands::sync_closed_port()
{
    for (UserRow *u : {admin, user, visitor})
        u->pending = true;
    click("sync_btn");
    QCOMPARE(answerer->texts(), QStringList{"El puerto está cerrado"});
    QVERIFY(admin->pending && user->pending && visitor->pending);
}

void TstUserCommands::sync_stops_when_line_lost()
{
    for (UserRow *u : {admin, user, visitor})
        u->pending = true;
    fake->on(upload_line(*admin).trimmed().toUtf8(), "## OK\n");
    connect_to_fake();
    // The controller goes away while the first record is being confirmed.
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [this] {
        if (fake->count("UD_NUM +56900000001") > 0)
            fake->hang_up();
    });
    watch.start(5);
    click("sync_btn");

    QCOMPARE(answerer->count(QStringLiteral("El puerto está cerrado")), 0);
    QVERIFY(!probe->serial()->isOpen());
    QVERIFY(admin->pending && user->pending && visitor->pending);
    QCOMPARE(fake->count(upload_line(*user).trimmed().toUtf8()), 0);
}

QTEST_MAIN(TstUserCommands)
#include "tst_user_commands.moc"
