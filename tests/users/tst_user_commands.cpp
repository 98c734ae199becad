// The synchronisation of the pending records, with the confirmation of
// each upload, against a scripted controller.
#include "fake_controller.h"
#include "modal_answerer.h"
#include "probe.h"
#include "user_lines.h"
#include "user_row.h"

#include <QPushButton>
#include <QTest>

namespace {

// Administrator 1 with user 2 and its visitor 3, administrator 4.
const QStringList db{"## 1,1,\"N1\",+56900000001,1,0,0,0,0,24,127\n",
                     "## 2,2,\"N2\",+56900000002,1,0,0,0,0,24,127\n",
                     "## 3,3,\"N3\",+56900000003,2,0,0,0,0,24,127\n",
                     "## 4,1,\"N4\",+56900000004,4,0,0,0,0,24,127\n"};

} // namespace

class TstUserCommands : public QObject
{
    Q_OBJECT

private slots:
    void sync_data();
    void sync();
};

void TstUserCommands::sync_data()
{
    // Pending: user 2, its visitor 3 and administrator 4. The controller
    // answers the lookup of user 2 with `answer`, the others with their own
    // records. Id 0: the port stays closed.
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("id");
    QTest::addColumn<bool>("confirmed");
    // clang-format off
    QTest::newRow("own record") << db[1] << 2 << true;
    QTest::newRow("own record under a new id") << QString(db[1]).replace("## 2,", "## 40,") << 40 << true;
    QTest::newRow("status line") << "## OK\n" << 2 << false;
    QTest::newRow("another number") << QString(db[2]).replace("## 3,", "## 2,") << 2 << false;
    QTest::newRow("silence") << "" << 2 << false;
    QTest::newRow("closed port") << db[1] << 0 << false;
    // clang-format on
}

void TstUserCommands::sync()
{
    QFETCH(QString, answer);
    QFETCH(int, id);
    QFETCH(bool, confirmed);
    FakeController fake;
    ModalAnswerer answerer;
    DORVAK_Admin w;
    TestProbe probe(w);
    probe.load_user_lines(db);
    const QList<UserRow *> u = probe.users();
    for (int i = 1; i < 4; ++i) {
        u[i]->pending = true;
        fake.on(upload_line(*u[i]).trimmed().toUtf8(), "## OK\n");
        fake.on(lookup_command(u[i]->numero).toUtf8(), (i == 1 ? answer : db[i]).toUtf8());
    }
    if (id) {
        w.choose_port(fake.port());
        w.findChild<QPushButton *>("connect_btn")->click();
    }
    w.findChild<QPushButton *>("sync_btn")->click();

    // Owners before what they own, the settled administrator skipped; the
    // visitor is written under the id the controller gave its user.
    const QString wire = " UU 2 2 \"N2\" +56900000002 1 0 0 24 127\nUD_NUM +56900000002\n"
                         " UU 3 3 \"N3\" +56900000003 %1 0 0 24 127\nUD_NUM +56900000003\n"
                         " UU 4 1 \"N4\" +56900000004 4 0 0 24 127\nUD_NUM +56900000004\n";
    QCOMPARE(QString(fake.received()), id ? wire.arg(id) : QString());
    QCOMPARE(answerer.texts(), id ? QStringList() : QStringList{"El puerto está cerrado"});
    QCOMPARE(u[1]->id_user, id ? id : 2);
    QCOMPARE(u[1]->text(0), QString::number(u[1]->id_user));
    QCOMPARE(u[2]->id_padre, u[1]->id_user);
    QCOMPARE(u[1]->pending, !confirmed);
    QCOMPARE(u[3]->pending, !id);
}

QTEST_MAIN(TstUserCommands)
#include "tst_user_commands.moc"
