// Grabar, Borrar and Sincronizar against a scripted controller: what
// confirms an upload, a changed number, a refusal, Detener, a lost line.
#include "fake_controller.h"
#include "log_capture.h"
#include "modal_answerer.h"
#include "probe.h"
#include "user_lines.h"
#include "user_row.h"

#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

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
    void commands_data();
    void commands();
};

void TstUserCommands::commands_data()
{
    // `button` runs on user 2 (Grabar, Borrar) or, with 2, 3 and 4 pending,
    // on the whole tree (Sincronizar). User 2 carries `numero2` (empty: its
    // own); the controller refuses the upload `refused`, answers the lookup
    // of user 2 with `lookup2` ("stored": what was sent, under `id2`), and
    // stores the rest as sent; with `id2` 0 the port stays closed. `cut` presses
    // Detener ("stop") or drops the line ("hang") when a command arrives.
    // Then: the wire, the records still pending, the boxes and status line.
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("numero2");
    QTest::addColumn<QString>("refused");
    QTest::addColumn<QByteArray>("lookup2");
    QTest::addColumn<int>("id2");
    QTest::addColumn<QString>("cut");
    QTest::addColumn<QString>("wire");
    QTest::addColumn<QString>("pending");
    QTest::addColumn<QString>("messages");
    const QString sync = "sync_btn", all = "UU2 UD2 UU3 UD3 UU4 UD4", num = "+56911122233";
    const QByteArray st = "stored";
    const QString failed =
        "1 de 3 usuarios no se pudieron grabar | Sincronizados 2 de 3 (1 con error)";
    // clang-format off
    QTest::newRow("confirmed") << sync << "" << "" << st << 2 << "" << all << "" << "Sincronizados 3 de 3";
    // The visitor is written under the id the controller gave its user.
    QTest::newRow("stored under a new id") << sync << "" << "" << st << 40 << "" << all << "" << "Sincronizados 3 de 3";
    QTest::newRow("refused") << sync << "" << "UU2" << st << 2 << "" << "UU2 UU3 UD3 UU4 UD4" << "2" << failed;
    QTest::newRow("old record still stored") << sync << "" << "" << QByteArray(db[1].toUtf8()).replace("N2", "Casa 471") << 2 << "" << all << "2" << failed;
    // The number changed: the visitor goes to the record under the new
    // number before the old number is deleted.
    QTest::newRow("number changed") << sync << num << "" << st << 37 << "" << "UU2 UD2 UU3 UD3 BUold UDold UU4 UD4" << "" << "Sincronizados 3 de 3";
    QTest::newRow("number changed, old one kept") << sync << num << "" << st << 37 << "" << "UU2 UD2 UU3 UD3 BUold UDold*kept UU4 UD4" << "2" << failed;
    QTest::newRow("number changed, visitor refused") << sync << num << "UU3" << st << 37 << "" << "UU2 UD2 UU3 UU3 UU4 UD4" << "2 3" << "2 de 3 usuarios no se pudieron grabar | Sincronizados 1 de 3 (2 con error)";
    QTest::newRow("stopped during the second record") << sync << "" << "" << st << 2 << "stop UD3" << "UU2 UD2 UU3 UD3" << "3 4" << "Sincronizados 1 de 3, 1 enviado sin confirmar, 1 sin enviar";
    QTest::newRow("closed port") << sync << "" << "" << st << 0 << "" << "" << "2 3 4" << "El puerto está cerrado | ";
    QTest::newRow("save refused") << "save_btn" << "" << "UU2" << st << 2 << "" << "UU2" << "2" << "No se pudo grabar el usuario N2: ERROR nombre | No se grabó: N2 queda pendiente";
    QTest::newRow("save stopped") << "save_btn" << "" << "" << st << 2 << "stop UU2" << "UU2" << "2" << "No se grabó: N2 queda pendiente";
    QTest::newRow("save, line lost after the answer") << "save_btn" << "" << "" << st << 2 << "hang UU2" << "UU2" << "2" << "No se grabó: N2 queda pendiente";
    // Only the controller's word removes a record it holds.
    QTest::newRow("delete stopped") << "borrar_btn" << "" << "" << st << 2 << "stop BUold" << "BUold" << "" << "¿Borrar a N2 (+56900000002) y sus 1 registros? | ";
    // clang-format on
}

void TstUserCommands::commands()
{
    QFETCH(QString, button);
    QFETCH(QString, numero2);
    QFETCH(QString, refused);
    QFETCH(QByteArray, lookup2);
    QFETCH(int, id2);
    QFETCH(QString, cut);
    QFETCH(QString, wire);
    FakeController fake;
    ModalAnswerer answerer;
    LogCapture log;
    DORVAK_Admin w;
    TestProbe probe(w);
    probe.load_user_lines(db);
    const QList<UserRow *> u = probe.users();
    // A new record under administrator 1, never saved: skipped, with what
    // follows it still synchronised.
    (new UserRow(u[0]))->unsaved = true;
    const QString old_number = u[1]->numero;
    if (!numero2.isEmpty())
        u[1]->numero = numero2;

    // What goes out, and the answers, as the controller would store them.
    QHash<QString, QByteArray> lines;
    for (int i = 1; i < 4; ++i) {
        lines[QStringLiteral("UU%1").arg(i + 1)] = upload_line(*u[i]).toUtf8();
        lines[QStringLiteral("UD%1").arg(i + 1)] = lookup_command(u[i]->numero).toUtf8();
    }
    const auto id = [id2](const char *form) { return QString(form).arg(id2).toUtf8(); };
    lines["UU3"].replace(" 2 0 0 24", id(" %1 0 0 24"));
    lines["BUold"] = delete_command(old_number).toUtf8();
    lines["UDold"] = lookup_command(old_number).toUtf8();
    for (const QString &token : {"UU2", "UU3", "UU4"})
        fake.on(lines[token].trimmed(), token == refused ? "ERROR nombre\n" : "## OK\n");
    QByteArray stored2 = db[1].toUtf8();
    stored2.replace("## 2,", id("## %1,")).replace(old_number.toUtf8(), u[1]->numero.toUtf8());
    fake.on(lines["UD2"], lookup2 == "stored" ? stored2 : lookup2);
    fake.on(lines["UD3"], QByteArray(db[2].toUtf8()).replace("03,2,", id("03,%1,")));
    fake.on(lines["UD4"], db[3].toUtf8());
    fake.on(lines["BUold"], "## OK\n");
    if (!numero2.isEmpty()) // else it is user 2's own lookup
        fake.on(lines["UDold"], wire.contains("*kept") ? db[1].toUtf8() : "ERROR no existe\n");
    connect(&fake, &FakeController::received_line, [&](const QByteArray &command) {
        if (command != lines[cut.section(' ', 1)].trimmed())
            return;
        if (cut.startsWith("stop"))
            w.findChild<QPushButton *>("stop_btn")->click();
        else // once the answer is out, while the tool pauses after it
            QTimer::singleShot(30, &fake, &FakeController::hang_up);
    });
    if (id2) {
        connect_window(w, fake.port());
    }
    if (button == "sync_btn") {
        for (int i = 1; i < 4; ++i)
            u[i]->pending = true;
    } else {
        probe.user_tree()->setCurrentItem(u[1]);
        w.findChild<QPushButton *>("edit_btn")->click();
    }
    w.findChild<QPushButton *>(button)->click();

    QCOMPARE(probe.users().size(), 4);
    QString expected;
    for (const QString &token : wire.split(' ', Qt::SkipEmptyParts))
        expected += lines[token.section('*', 0, 0)] + '\n';
    QCOMPARE(QString(fake.received()), expected);
    QStringList pending;
    for (int i = 1; i < 4; ++i) {
        if (u[i]->pending)
            pending << QString::number(i + 1);
        // The records that failed are marked in the tree, and only they.
        QCOMPARE(!u[i]->failure.isEmpty(),
                 pending.contains(QString::number(i + 1)) && id2 && cut.isEmpty());
    }
    QTEST(pending.join(' '), "pending");
    QCOMPARE(u[1]->id_user, id2 ? id2 : 2);
    QCOMPARE(u[1]->text(0), QString::number(u[1]->id_user));
    QCOMPARE(u[2]->id_padre, u[1]->id_user);
    QCOMPARE(log.starting("Error grabando user").isEmpty(), refused.isEmpty());
    QStringList messages = answerer.texts();
    if (cut.startsWith("hang"))
        messages.removeFirst(); // the lost line's own report
    QTEST((messages << w.statusBar()->currentMessage()).join(" | "), "messages");
    // The title tells of the records left, once an operation has run.
    QCOMPARE(w.windowTitle().contains("sin sincronizar"), id2 && !pending.isEmpty());
}

QTEST_MAIN(TstUserCommands)
#include "tst_user_commands.moc"
