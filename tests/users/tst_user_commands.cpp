// Sequences of Grabar, Borrar and Sincronizar against a controller that
// keeps its own database: what confirms an upload, a changed number, an id
// given by the controller, a refusal, Detener, another controller.
#include "fake_controller.h"
#include "modal_answerer.h"
#include "probe.h"
#include "user_index.h"
#include "user_lines.h"
#include "user_panel.h"
#include "user_row.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>

class TstUserCommands : public QObject
{
    Q_OBJECT

private slots:
    void sequences_data();
    void sequences();
};

void TstUserCommands::sequences_data()
{
    // Steps: get, on, off, sync, stop; e<id>:<field>=<value>,... (Editar,
    // the fields n name, t number, i id, p owner, c category index) and
    // E<id>:... (then Grabar); d<id> (Borrar); n<id> (Nuevo under it, 0 the
    // root, + the current record); c<id> (a click); yes, no, keep, drop (the next
    // question's answer); say:<cmd>=<answer> ("_" a blank; no answer: none);
    // seed (the controller gains user 7); @<command>:<step> (done when the
    // command arrives); other (Conectar to a second controller). Then: what
    // the controller holds ("id/owner/name/number", +569000000 left out),
    // the marks of the tree's pending records and the texts shown.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("db");
    QTest::addColumn<QString>("marks");
    QTest::addColumn<QString>("messages");
    const QString db = "1/1/A1/01 2/1/U2/02 3/2/V3/03 4/2/V4/04 5/5/A5/05 6/5/U6/06";
    // clang-format off
    QTest::newRow("offline number change, then Borrar") << "get off E3:t=+56900000033 on d3" << "1/1/A1/01 2/1/U2/02 4/2/V4/04 5/5/A5/05 6/5/U6/06" << "" << "¿Borrar a V3 (+56900000033)? | Borrado: V3 (+56900000033) #V4";
    QTest::newRow("administrator refused, its user waits") << "get off n0 E+:n=NO,t=+56900000077 yes n+ E+:n=Nombre,t=+56900000088 on sync" << db << "NO:alta/No se pudo grabar: ERROR nombre; Nombre:alta" << "¿Qué registro nuevo? | Sincronizar con el controlador en P (equipo 100): 2 altas.\nalta: NO (+56900000077)\nalta: Nombre (+56900000088)\n¿Continuar? | 1 de 2 usuarios no se pudieron grabar | Sincronizados 0 de 2 (1 con error, 1 espera a su administrador) #Nombre";
    QTest::newRow("id changed, then a visitor edited") << "get E2:i=4000 E3:n=Otro" << "1/1/A1/01 3/4000/Otro/03 4/4000/V4/04 4000/1/U2/02 5/5/A5/05 6/5/U6/06" << "" << "Grabado: Otro (+56900000003) #Otro";
    QTest::newRow("administrator with users to a visitor") << "get E1:c=2" << db << "" << "Mueva primero sus 1 usuarios a otro administrador | No se grabó: Mueva primero sus 1 usuarios a otro administrador #A1";
    QTest::newRow("visitor to an administrator, then to a user") << "get E3:p=4 E3:p=5 E3:p=6" << "1/1/A1/01 2/1/U2/02 3/6/V3/03 4/2/V4/04 5/5/A5/05 6/5/U6/06" << "" << "Una visita no puede tener registros propios | Una visita debe pertenecer a un usuario | Grabado: V3 (+56900000003) #V3";
    QTest::newRow("another controller, declined") << "get off other no E3:n=X" << "" << "X:cambio" << "La lista de usuarios es del controlador en P (equipo 100), y el conectado es el controlador en Q (equipo 200). ¿Grabar en el controlador conectado? | No se grabó: X queda pendiente #X";
    QTest::newRow("another controller, Grabar") << "get off other E3:n=X" << "1/1/A1/01 2/1/U2/02 3/2/X/03" << "" << "La lista de usuarios es del controlador en P (equipo 100), y el conectado es el controlador en Q (equipo 200). ¿Grabar en el controlador conectado? | Grabado: X (+56900000003) #X";
    QTest::newRow("another controller, Borrar declined") << "get off other yes no d3" << "" << "" << "¿Borrar a V3 (+56900000003)? | La lista de usuarios es del controlador en P (equipo 100), y el conectado es el controlador en Q (equipo 200). ¿Borrar en el controlador conectado? | Borrado cancelado #V3";
    QTest::newRow("another controller, Borrar") << "get off other d3" << "" << "" << "¿Borrar a V3 (+56900000003)? | La lista de usuarios es del controlador en P (equipo 100), y el conectado es el controlador en Q (equipo 200). ¿Borrar en el controlador conectado? | Borrado: V3 (+56900000003) #V4";
    QTest::newRow("another controller, Sincronizar declined") << "get off E3:n=X other no sync" << "" << "X:cambio" << "La lista de usuarios es del controlador en P (equipo 100), y el conectado es el controlador en Q (equipo 200). ¿Sincronizar con el controlador conectado? | Sincronización cancelada #X";
    QTest::newRow("Obtener twice, the root neither edited nor deleted") << "get d0 E0 get" << db << "" << "6 usuarios descargados #";
    QTest::newRow("Obtener over a change, declined") << "get off E3:n=X on no get" << db << "X:cambio" << "Hay 1 cambio sin sincronizar. ¿Descartarlo? | Descarga cancelada #X";
    QTest::newRow("Obtener over two changes") << "get off E3:n=X E4:n=Y on get" << db << "" << "Hay 2 cambios sin sincronizar. ¿Descartarlos? | 6 usuarios descargados #";
    QTest::newRow("edit left for another row, saved") << "get e3:n=Otro c4" << "1/1/A1/01 2/1/U2/02 3/2/Otro/03 4/2/V4/04 5/5/A5/05 6/5/U6/06" << "" << "Los cambios de V3 no se han grabado. | Grabado: Otro (+56900000003) #V4";
    QTest::newRow("edit left for another row, refused") << "get e3:p=4 c4" << db << "" << "Los cambios de V3 no se han grabado. | Una visita no puede tener registros propios | No se grabó: Una visita no puede tener registros propios #V3";
    QTest::newRow("edit left for another row, kept") << "get e3:n=Otro keep c4" << db << "" << "Los cambios de V3 no se han grabado. | 6 usuarios descargados #V3";
    QTest::newRow("edit left for another row, discarded") << "get e3:p=6 drop c4" << db << "" << "Los cambios de V3 no se han grabado. | 6 usuarios descargados #V4";
    QTest::newRow("click on a row while Sincronizar runs") << "get off E5:n=B E6:n=C on yes n1 @UU:c3 sync" << "1/1/A1/01 2/1/U2/02 3/2/V3/03 4/2/V4/04 5/5/B/05 6/5/C/06" << "" << "¿Qué registro nuevo? | Sincronizar con el controlador en P (equipo 100): 2 cambios.\ncambio: B (+56900000005)\ncambio: C (+56900000006)\n¿Continuar? | Sincronizados 2 de 2 #V3";
    QTest::newRow("Sincronizar declined") << "get off E3:n=X on no sync" << db << "X:cambio" << "Sincronizar con el controlador en P (equipo 100): 1 cambio.\ncambio: X (+56900000003)\n¿Continuar? | Sincronización cancelada #X";
    QTest::newRow("Sincronizar stopped") << "get off E3:n=X E4:n=Y on @UU:stop sync" << "1/1/A1/01 2/1/U2/02 3/2/X/03 4/2/V4/04 5/5/A5/05 6/5/U6/06" << "X:cambio; Y:cambio" << "Sincronizar con el controlador en P (equipo 100): 2 cambios.\ncambio: X (+56900000003)\ncambio: Y (+56900000004)\n¿Continuar? | Sincronizados 0 de 2, 1 enviado sin confirmar, 1 sin enviar #Y";
    QTest::newRow("closed port") << "get off E3:n=X sync" << db << "X:cambio" << "El puerto está cerrado | El puerto está cerrado #X";
    QTest::newRow("save refused") << "get E3:n=NO" << db << "NO:cambio/No se pudo grabar: ERROR nombre" << "No se pudo grabar el usuario NO: ERROR nombre | No se grabó: NO queda pendiente #NO";
    // The controller gives 8 for the id 7 it holds; the user follows.
    QTest::newRow("id given by the controller") << "get seed off n0 E+:n=Nombre,t=+56900000077 yes n+ E+:n=Nombre,t=+56900000078 on sync" << db + " 7/7/Z/70 8/8/Nombre/77 9/8/Nombre/78" << "" << "¿Qué registro nuevo? | Sincronizar con el controlador en P (equipo 100): 2 altas.\nalta: Nombre (+56900000077)\nalta: Nombre (+56900000078)\n¿Continuar? | Sincronizados 2 de 2 #Nombre";
    // The visitor goes along to the new number before the old one goes.
    QTest::newRow("number changed") << "get off E2:t=+56900000022 on sync" << "1/1/A1/01 3/7/V3/03 4/7/V4/04 5/5/A5/05 6/5/U6/06 7/1/U2/22" << "" << "Sincronizar con el controlador en P (equipo 100): 1 número nuevo, 2 dueños nuevos.\nnúmero nuevo: U2 (+56900000022)\ndueño nuevo: V3 (+56900000003)\ndueño nuevo: V4 (+56900000004)\n¿Continuar? | Sincronizados 3 de 3 #U2";
    QTest::newRow("number changed, old one kept") << "get off E2:t=+56900000022 on say:BU_+56900000002=##_OK sync" << "1/1/A1/01 2/1/U2/02 3/7/V3/03 4/7/V4/04 5/5/A5/05 6/5/U6/06 7/1/U2/22" << "U2:número nuevo/No se pudo grabar: el numero anterior +56900000002 sigue en el controlador" << "Sincronizar con el controlador en P (equipo 100): 1 número nuevo, 2 dueños nuevos.\nnúmero nuevo: U2 (+56900000022)\ndueño nuevo: V3 (+56900000003)\ndueño nuevo: V4 (+56900000004)\n¿Continuar? | 1 de 3 usuarios no se pudieron grabar | Sincronizados 2 de 3 (1 con error) #U2";
    QTest::newRow("offline Borrar") << "get off no d4 d3" << db << "V3:baja" << "¿Borrar a V4 (+56900000004) del controlador al sincronizar? | ¿Borrar a V3 (+56900000003) del controlador al sincronizar? | Baja pendiente: V3 #V3";
    QTest::newRow("offline Borrar, then Sincronizar") << "get off d2 on sync" << "1/1/A1/01 5/5/A5/05 6/5/U6/06" << "" << "¿Borrar a U2 (+56900000002) y sus 2 registros del controlador al sincronizar? | Sincronizar con el controlador en P (equipo 100): 1 baja.\nbaja: U2 (+56900000002)\n¿Continuar? | Sincronizados 1 de 1 #A1";
    QTest::newRow("Borrar declined") << "get no d3" << db << "" << "¿Borrar a V3 (+56900000003)? | Borrado cancelado #V3";
    QTest::newRow("Borrar unanswered") << "get say:BU_+56900000003= say:UD_NUM_+56900000003= d3" << db << "" << "¿Borrar a V3 (+56900000003)? | El controlador no borró el usuario V3 (+56900000003) | El controlador no borró el usuario V3 (+56900000003) #V3";
    // Nuevo: asked where two records can be made, each answer's owner; a new one owns none.
    const QString ask = "¿Qué registro nuevo? | ", saved = "Grabado: N (+56900000099) #N";
    QTest::newRow("Nuevo with a user, its visitor") << "get yes n2" << db << "" << ask + "Nueva visita de U2: complete los datos y presione Grabar #";
    QTest::newRow("Nuevo with a user, another user") << "get no n2 E+:n=N,t=+56900000099" << db + " 7/1/N/99" << "" << ask + saved;
    QTest::newRow("Nuevo with an administrator, cancelled") << "get keep n1" << db << "" << ask + "Ningún registro nuevo #A1";
    QTest::newRow("Nuevo with a visitor, another") << "get n3 E+:n=N,t=+56900000099" << db + " 7/2/N/99" << "" << saved;
    QTest::newRow("Nuevo twice, on the record made") << "get yes n1 n+ E+:n=N,t=+56900000099" << db + " 8/1/N/99" << "" << ask + saved;
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
    other.keep_database({}, "-", "200");
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
    const QHash<QString, const char *> buttons{
        {"get", "get_users_btn"},  {"sync", "sync_btn"}, {"on", "connect_btn"},
        {"off", "disconnect_btn"}, {"stop", "stop_btn"}, {"d", "borrar_btn"},
        {"n", "nuevo_btn"},        {"e", "edit_btn"},    {"E", "edit_btn"}};
    const auto act = [&](const QString &step) {
        if (buttons.contains(step))
            return click(buttons[step]);
        probe.user_tree()->setCurrentItem(record(step.mid(1).section(':', 0, 0)));
        if (buttons.contains(step.left(1)))
            click(buttons[step.left(1)]);
        for (const QString &f : step.section(':', 1).split(',', Qt::SkipEmptyParts)) {
            QWidget *field = probe.user_panel()->findChild<QWidget *>(
                QStringList{"nombre_edit", "numero_edit", "id_spin", "padre_spin", "cat_combo"}.at(
                    QString("ntipc").indexOf(f[0])));
            auto *edit = qobject_cast<QLineEdit *>(field);
            QVERIFY(!field->property("readOnly").toBool());
            if (edit)
                edit->setText(f.mid(2));
            else
                field->setProperty(f[0] == 'c' ? "currentIndex" : "value", f.mid(2).toInt());
        }
        if (step.startsWith('E'))
            click("save_btn");
    };
    connect(&fake, &FakeController::received_line, [&](const QByteArray &command) {
        if (!when.isEmpty() && command.startsWith(when.toUtf8())) {
            when.clear();
            act(then);
        }
    });
    QVERIFY(connect_window(w, fake.port()));
    using B = QMessageBox;
    const QHash<QString, B::StandardButton> answers{
        {"yes", B::Yes}, {"no", B::No}, {"keep", B::Cancel}, {"drop", B::Discard}};
    for (const QString &step : steps.split(' ')) {
        if (answers.contains(step))
            answerer.queue_button(answers[step]);
        else if (step.startsWith("say:"))
            fake.on(step.mid(4).section('=', 0, 0).replace('_', ' ').toUtf8(),
                    step.section('=', 1).replace('_', ' ').toUtf8()
                        + (step.endsWith('=') ? "" : "\n"));
        else if (step == "seed")
            fake.keep_database({"## 7,1,\"Z\",+56900000070,7,0,0,0,0,24,127"});
        else if (step.startsWith('@'))
            std::tie(when, then) =
                std::make_pair(step.section(':', 0, 0).mid(1), step.section(':', 1));
        else if (step == "other")
            connect_window(w, (line = &other)->port());
        else
            act(step);
    }
    QTEST(line->database().join(' ').replace("+569000000", ""), "db");
    QStringList marks;
    for (UserRow *u : records_below(probe.root())) {
        QCOMPARE(u->icon(1).isNull(), u->pending_kind().isEmpty());
        QVERIFY(u->icon(0).isNull()); // before the name, leaving the id its room
        QCOMPARE(u->font(0).strikeOut(), u->pending_kind() == "baja");
        if (!u->toolTip(0).isEmpty())
            marks << u->nombre + ':' + u->toolTip(0).remove("Pendiente: ").replace('\n', '/');
    }
    QTEST(marks.join("; "), "marks");
    // The form shows the id that the tree shows; for the root, nothing.
    QTreeWidgetItem *current = probe.user_tree()->currentItem();
    auto *shown = static_cast<UserRow *>(current ? current : probe.root());
    QVERIFY(shown == probe.root()
                ? !probe.user_panel()->findChild<QPushButton *>("day_btns_L")->isChecked()
                : probe.user_panel()->typed_id() == shown->id_user
                    && probe.user_panel()->findChild<QRadioButton *>("normal_radio")->isChecked()
                        == (shown->hrs_reman == 0));
    if (!shown->unsaved)
        QCOMPARE(shown->text(0), shown == probe.root() ? "Raíz" : QString::number(shown->id_user));
    QStringList messages = answerer.texts();
    messages << w.statusBar()->currentMessage() + " #" + shown->text(1);
    QTEST(messages.join(" | ").replace(fake.port(), "P").replace(other.port(), "Q"), "messages");
}

QTEST_MAIN(TstUserCommands)
#include "tst_user_commands.moc"
