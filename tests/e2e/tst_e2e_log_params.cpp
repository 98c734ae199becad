// The Registro and Configuración tabs against the real simulator: the log
// named from the downloaded users, a user created from the Users tab showing
// up in it, a download cut by a hang-up, and parameters written, read back,
// and written back unchanged.
#include "modal_answerer.h"
#include "probe.h"
#include "sim_process.h"
#include "user_row.h"

#include <QtTest>
#include <QtWidgets>

// Steps separated by "|": a button's name clicks it, "name=value" puts the
// value into the widget named or, with `check`, compares it with what the
// widget shows.
static void run(DORVAK_Admin &w, const QString &steps, bool check = false)
{
    for (const QString &step : steps.split('|')) {
        QWidget *x = w.findChild<QWidget *>(step.section('=', 0, 0));
        const QMetaProperty p = x->metaObject()->userProperty();
        const QString v = step.section('=', 1);
        if (!step.contains('='))
            qobject_cast<QPushButton *>(x)->click();
        else
            QVERIFY2(check ? p.read(x).toString() == v : p.write(x, v), qPrintable(step));
    }
}

class TstE2eLogParams : public QObject
{
    Q_OBJECT

private slots:
    void log_and_params()
    {
        SimProcess sim;
        // The controller's users and log, asked before the window takes the line.
        QHash<QString, QString> names; // id -> name
        for (const QString &line : sim.query("LU"))
            names.insert(line.mid(3).section(',', 0, 0), line.section(',', 2, 2).remove('"'));
        QHash<QString, QString> by_time; // "date time" -> "user name|associate name"
        for (const QString &line : sim.query("ENVLOG")) {
            const QStringList f = line.split(' ');
            by_time.insert(f.at(4) + ' ' + f.at(5),
                           names.value(f.at(2), "????") + '|' + names.value(f.at(3), "????"));
        }
        ModalAnswerer answerer;
        DORVAK_Admin w;
        w.choose_port(sim.port());
        run(w, "connect_btn|get_users_btn|get_log_btn");
        auto *t = w.findChild<QTableWidget *>("log_table");
        QCOMPARE(t->rowCount(), 100);
        for (int r = 0; r < t->rowCount(); ++r)
            QCOMPARE(t->item(r, 1)->text() + '|' + t->item(r, 4)->text(),
                     by_time.value(t->item(r, 0)->text()));

        // A user created under the first administrator is logged under the
        // owner, with the new user as the associate, both named from the tree.
        auto *admin = TestProbe(w).root()->child(0);
        TestProbe(w).user_tree()->setCurrentItem(admin);
        run(w, "nuevo_btn|nombre_edit=Nueva|numero_edit=+56912345678|cat_combo=Usuario");
        run(w, "save_btn|get_log_btn");
        const auto created = t->findItems("Nueva", Qt::MatchExactly);
        QCOMPARE(created.size(), 1);
        const int r = created.first()->row();
        QCOMPARE(QStringList({t->item(r, 1)->text(), t->item(r, 3)->text(), t->item(r, 4)->text()}),
                 QStringList({admin->text(1), "Usuario Creado", "Nueva"}));

        // Every parameter written comes back the same into a new window.
        const QString edits("nombre_inst_edit=Casa Norte|num_equipo_edit=+56900000001|"
                            "max_visitas_spin=120|notif_usuarios_btn=true|notif_sms_btn=false|"
                            "num_registro_edit=+56900000005|modo_operacion_combo=5|"
                            "modo_entrada1_combo=Enviar Apertura|modo_entrada2_combo=Enviar Cierre|"
                            "msg_apertura1_edit=Abre uno|msg_cierre1_edit=Cierra uno|"
                            "msg_apertura2_edit=Abre dos|msg_cierre2_edit=Cierra dos|"
                            "min_digitos_spin=9|num_base_edit=+5699");
        run(w, "get_params_btn|" + edits + "|send_params_btn|disconnect_btn");
        DORVAK_Admin w2;
        w2.choose_port(sim.port());
        run(w2, "connect_btn|get_params_btn|" + edits + "|disconnect_btn", true);
        QVERIFY(answerer.seen().isEmpty());

        // Every parameter at the longest value the controller keeps, blanks
        // and quotes included: a write before any read changes nothing, and
        // a read written back changes nothing either.
        const char *const longest[] = {
            "SEND_PAR 2 00 \" Condominio  \"Las\" Acacias N  \"",
            "SEND_PAR 2 01 \"+54911234567890123456\"",
            "SEND_PAR 1 03 5000",
            "SEND_PAR 0 04 15",
            "SEND_PAR 2 05 \"+56933334444555566667\"",
            "SEND_PAR 0 06 5",
            "SEND_PAR 0 07 3",
            "SEND_PAR 0 08 2",
            "SEND_PAR 2 09 \"Abre  el porton  de la  entrada uno ya\"",
            "SEND_PAR 2 10 \"Cierra el porton \"uno\"  de la entrada1\"",
            "SEND_PAR 2 11 \"Abre  el porton  de la  entrada dos ya\"",
            "SEND_PAR 2 12 \" Cierra  el porton de la entrada dos  \"",
            "SEND_PAR 1 13 15",
            "SEND_PAR 2 14 \"+5699*#Xx_ 0123456789012345678\"",
        };
        for (const char *line : longest)
            QCOMPARE(sim.query(line), QStringList{"## OK"});
        const QStringList held = sim.query("GET_PARS");
        DORVAK_Admin w3;
        w3.choose_port(sim.port());
        run(w3, "connect_btn|send_params_btn|get_params_btn");
        run(w3, "nombre_inst_edit=Condominio \"Las\" Acacias N", true);
        run(w3, "send_params_btn|disconnect_btn");
        QCOMPARE(sim.query("GET_PARS"), held);
        QCOMPARE(answerer.texts(),
                 QStringList{"Primero obtenga los parámetros del equipo conectado "
                             "(\"Obtener Parametros\")"});
    }

    // The controller hangs up right after announcing its log: the table keeps
    // the log it had.
    void log_hang_up()
    {
        SimProcess sim({"--baud", "115200", "--hangup-after", "3"});
        ModalAnswerer answerer;
        DORVAK_Admin w;
        w.choose_port(sim.port());
        run(w, "connect_btn|get_log_btn");
        auto *t = w.findChild<QTableWidget *>("log_table");
        QCOMPARE(t->rowCount(), 100);
        const QString first = t->item(0, 0)->text();
        run(w, "get_log_btn");
        QCOMPARE(t->rowCount(), 100);
        QCOMPARE(t->item(0, 0)->text(), first);
        // One message: the lost line's.
        QCOMPARE(answerer.seen().size(), 1);
        QCOMPARE(answerer.seen().first().title, QStringLiteral("Critical Error"));
    }
};

QTEST_MAIN(TstE2eLogParams)
#include "tst_e2e_log_params.moc"
