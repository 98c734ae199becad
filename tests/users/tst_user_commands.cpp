// Grabar, Borrar and Sincronizar against a scripted controller: what
// confirms an upload, a changed number, a refusal, Detener, a lost line.
#include "fake_controller.h"
#include "log_capture.h"
#include "modal_answerer.h"
#include "probe.h"
#include "user_index.h"
#include "user_lines.h"
#include "user_panel.h"
#include "user_row.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
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
    void sequences_data();
    void sequences();
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
    // The visitor waits for its user, which still holds the old number.
    QTest::newRow("number changed, visitor refused") << sync << num << "UU3" << st << 37 << "" << "UU2 UD2 UU3 UU4 UD4" << "2 3" << "1 de 3 usuarios no se pudieron grabar | Sincronizados 1 de 3 (1 con error, 1 espera a su administrador)";
    QTest::newRow("stopped during the second record") << sync << "" << "" << st << 2 << "stop UD3" << "UU2 UD2 UU3 UD3" << "3 4" << "Sincronizados 1 de 3";
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
    const QString sync = "sync_btn";
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
    if (cut.startsWith("hang") || (button == sync && id2))
        messages.removeFirst(); // the lost line's own report, the preview
    QTEST((messages << w.statusBar()->currentMessage()).join(" | "), "messages");
    // The title tells of the records left, once an operation has run.
    QCOMPARE(w.windowTitle().contains("sin sincronizar"), id2 && !pending.isEmpty());
}

void TstUserCommands::sequences_data()
{
    // Steps: get, on, off, sync; e<id>:<field>=<value>,... (Editar, the
    // fields n name, t number, i id, p owner, c category index) and E<id>:...
    // (then Grabar); d<id> (Borrar); n<id> (Nuevo under it, 0 the root);
    // c<id> (a click); no, keep, drop (the next question's answer); mute:<cmd>
    // (left unanswered, "_" a blank); @<command>:stop or :c<id> (done when
    // the command arrives); other (Conectar to a second controller). Then:
    // what the controller holds ("id/owner/name/number", +569000000 left
    // out), the marks of the tree's pending records and the texts shown.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("db");
    QTest::addColumn<QString>("marks");
    QTest::addColumn<QString>("messages");
    const QString db = "1/1/A1/01 2/1/U2/02 3/2/V3/03 4/2/V4/04 5/5/A5/05 6/5/U6/06";
    // clang-format off
    QTest::newRow("offline number change, then Borrar") << "get off E3:t=+56900000033 on d3" << "1/1/A1/01 2/1/U2/02 4/2/V4/04 5/5/A5/05 6/5/U6/06" << "" << "¿Borrar a V3 (+56900000033)? | Borrado: V3 (+56900000033) #V4";
    QTest::newRow("administrator refused, its user waits") << "get off n0 E+:n=NO,t=+56900000077 n+ E+:t=+56900000088 on sync" << db << "NO:alta/No se pudo grabar: ERROR nombre; Nombre:alta" << "Sincronizar con el controlador en P: 2 altas.\nalta: NO (+56900000077)\nalta: Nombre (+56900000088)\n¿Continuar? | 1 de 2 usuarios no se pudieron grabar | Sincronizados 0 de 2 (1 con error, 1 espera a su administrador) #Nombre";
    QTest::newRow("id changed, then a visitor edited") << "get E2:i=4000 E3:n=Otro" << "1/1/A1/01 3/4000/Otro/03 4/4000/V4/04 4000/1/U2/02 5/5/A5/05 6/5/U6/06" << "" << "Grabado: Otro (+56900000003) #Otro";
    QTest::newRow("administrator with users to a visitor") << "get E1:c=2" << db << "" << "Mueva primero sus 1 usuarios a otro administrador | 6 usuarios descargados #A1";
    QTest::newRow("visitor to an administrator, then to a user") << "get E3:p=5 E3:p=6" << "1/1/A1/01 2/1/U2/02 3/6/V3/03 4/2/V4/04 5/5/A5/05 6/5/U6/06" << "" << "Una visita debe pertenecer a un usuario | Grabado: V3 (+56900000003) #V3";
    QTest::newRow("another controller, declined") << "get other no E3:n=X" << "" << "X:cambio" << "La lista de usuarios es del controlador en P, y el conectado es el controlador en Q. ¿Grabar en el controlador conectado? | No se grabó: X queda pendiente #X";
    QTest::newRow("edit left for another row, saved") << "get e3:n=Otro c4" << "1/1/A1/01 2/1/U2/02 3/2/Otro/03 4/2/V4/04 5/5/A5/05 6/5/U6/06" << "" << "Los cambios de V3 no se han grabado. | Grabado: Otro (+56900000003) #V4";
    QTest::newRow("edit left for another row, kept") << "get e3:n=Otro keep c4" << db << "" << "Los cambios de V3 no se han grabado. | 6 usuarios descargados #V3";
    QTest::newRow("edit left for another row, discarded") << "get e3:n=Otro drop c4" << db << "" << "Los cambios de V3 no se han grabado. | 6 usuarios descargados #V4";
    QTest::newRow("click on a row while Sincronizar runs") << "get off E5:n=B E6:n=C on n1 @UU:c3 sync" << "1/1/A1/01 2/1/U2/02 3/2/V3/03 4/2/V4/04 5/5/B/05 6/5/C/06" << "" << "Sincronizar con el controlador en P: 2 cambios.\ncambio: B (+56900000005)\ncambio: C (+56900000006)\n¿Continuar? | Sincronizados 2 de 2 #V3";
    QTest::newRow("Sincronizar declined") << "get off E3:n=X on no sync" << db << "X:cambio" << "Sincronizar con el controlador en P: 1 cambio.\ncambio: X (+56900000003)\n¿Continuar? | Sincronización cancelada #X";
    QTest::newRow("Sincronizar stopped") << "get off E3:n=X E4:n=Y on @UU:stop sync" << "1/1/A1/01 2/1/U2/02 3/2/X/03 4/2/V4/04 5/5/A5/05 6/5/U6/06" << "X:cambio; Y:cambio" << "Sincronizar con el controlador en P: 2 cambios.\ncambio: X (+56900000003)\ncambio: Y (+56900000004)\n¿Continuar? | Sincronizados 0 de 2 #Y";
    QTest::newRow("Borrar declined") << "get no d3" << db << "" << "¿Borrar a V3 (+56900000003)? | 6 usuarios descargados #V3";
    QTest::newRow("Borrar unanswered") << "get mute:BU_+56900000003 mute:UD_NUM_+56900000003 d3" << db << "" << "¿Borrar a V3 (+56900000003)? | El controlador no borró el usuario V3 (+56900000003) | 6 usuarios descargados #V3";
    // clang-format on
}

void TstUserCommands::sequences()
{
    QFETCH(QString, steps);
    FakeController fake, other;
    QList<QByteArray> records;
    for (const char *r :
         {"1,1,\"A1\",+56900000001,1", "2,2,\"U2\",+56900000002,1", "3,3,\"V3\",+56900000003,2",
          "4,3,\"V4\",+56900000004,2", "5,1,\"A5\",+56900000005,5", "6,2,\"U6\",+56900000006,5"})
        records << QByteArray("## ") + r + ",0,0,0,0,24,127";
    fake.keep_database(records, "NO");
    other.keep_database({});
    FakeController *line = &fake;
    ModalAnswerer answerer;
    DORVAK_Admin w;
    TestProbe probe(w);
    const auto click = [&](const char *name) { w.findChild<QPushButton *>(name)->click(); };
    const auto record = [&](const QString &id) {
        if (id == "+")
            return static_cast<UserRow *>(probe.user_tree()->currentItem());
        for (UserRow *u : records_below(probe.root()))
            if (u->id_user == id.toInt())
                return u;
        return probe.root();
    };
    QString when, then;
    const auto act = [&](const QString &step) {
        const QString id = step.mid(1).section(':', 0, 0);
        if (step.startsWith('c') || step.startsWith('e') || step.startsWith('E')
            || step.startsWith('d') || step.startsWith('n'))
            probe.user_tree()->setCurrentItem(record(id));
        if (step == "stop")
            click("stop_btn");
        else if (step.startsWith('d'))
            click("borrar_btn");
        else if (step.startsWith('n'))
            click("nuevo_btn");
        else if (step.startsWith('e') || step.startsWith('E')) {
            click("edit_btn");
            for (const QString &f : step.section(':', 1).split(',')) {
                const QString v = f.mid(2);
                QWidget *field = probe.user_panel()->findChild<QWidget *>(
                    QStringList{"nombre_edit", "numero_edit", "id_spin", "padre_spin", "cat_combo"}
                        .at(QString("ntipc").indexOf(f[0])));
                if (auto *edit = qobject_cast<QLineEdit *>(field))
                    edit->setText(v);
                else
                    field->setProperty(f[0] == 'c' ? "currentIndex" : "value", v.toInt());
            }
            if (step.startsWith('E'))
                click("save_btn");
        }
    };
    connect(&fake, &FakeController::received_line, [&](const QByteArray &command) {
        if (!when.isEmpty() && command.startsWith(when.toUtf8())) {
            when.clear();
            act(then);
        }
    });
    QVERIFY(connect_window(w, fake.port()));
    const QHash<QString, QMessageBox::StandardButton> answers{
        {"no", QMessageBox::No}, {"keep", QMessageBox::Cancel}, {"drop", QMessageBox::Discard}};
    for (const QString &step : steps.split(' ')) {
        if (answers.contains(step))
            answerer.queue_button(answers[step]);
        else if (step.startsWith("mute:"))
            fake.on(step.mid(5).replace('_', ' ').toUtf8(), QByteArray());
        else if (step.startsWith('@'))
            std::tie(when, then) =
                std::make_pair(step.section(':', 0, 0).mid(1), step.section(':', 1));
        else if (step == "other" || step == "off" || step == "on" || step == "get"
                 || step == "sync") {
            if (step != "get" && step != "sync")
                click("disconnect_btn");
            if (step == "other")
                connect_window(w, (line = &other)->port());
            else if (step != "off")
                click(step == "on" ? "connect_btn" : step == "get" ? "get_users_btn" : "sync_btn");
        } else
            act(step);
    }
    QTEST(line->database().join(' ').replace("+569000000", ""), "db");
    QStringList marks;
    for (UserRow *u : records_below(probe.root())) {
        QCOMPARE(u->icon(0).isNull(), u->pending_kind().isEmpty());
        if (!u->toolTip(0).isEmpty())
            marks << u->nombre + ':' + u->toolTip(0).remove("Pendiente: ").replace('\n', '/');
    }
    QTEST(marks.join("; "), "marks");
    // The form shows the id that the tree shows.
    auto *shown = static_cast<UserRow *>(probe.user_tree()->currentItem());
    QCOMPARE(probe.user_panel()->typed_id(), shown == probe.root() ? 0 : shown->id_user);
    QCOMPARE(shown->text(0), shown == probe.root() ? "Raíz" : QString::number(shown->id_user));
    QStringList messages = answerer.texts();
    messages << w.statusBar()->currentMessage() + " #" + shown->text(1);
    QTEST(messages.join(" | ").replace(fake.port(), "P").replace(other.port(), "Q"), "messages");
}

QTEST_MAIN(TstUserCommands)
#include "tst_user_commands.moc"
