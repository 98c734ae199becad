// The Registro and Configuración tabs against the real simulator: the log
// named from the downloaded users, and parameters written and read back.
#include "modal_answerer.h"
#include "probe.h"
#include "sim_process.h"

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
        sim.query_raw("SEND_PAR 2 09 \"Port\xf3n abierto\"");
        ModalAnswerer answerer;
        DORVAK_Admin w;
        TestProbe(w).fast();
        w.choose_port(sim.port());
        run(w, "connect_btn|get_users_btn|get_log_btn");
        QAbstractItemModel *t = w.findChild<QTableView *>("log_table")->model();
        QCOMPARE(t->rowCount(), 100);
        auto cell = [t](int r, int c) { return t->index(r, c).data().toString(); };
        for (int r = 0; r < t->rowCount(); ++r)
            QCOMPARE(cell(r, 1) + '|' + cell(r, 4), by_time.value(cell(r, 0)));

        // Every parameter written comes back the same into a new window; the
        // one left as read stays the controller's, a byte not UTF-8 included.
        const QString edits("nombre_inst_edit=Casa Norte|num_equipo_edit=+56900000001|"
                            "max_visitas_spin=120|notif_usuarios_btn=true|notif_sms_btn=false|"
                            "num_registro_edit=+56900000005|modo_operacion_combo=5|"
                            "modo_entrada1_combo=Enviar Apertura|modo_entrada2_combo=Enviar Cierre|"
                            "msg_cierre1_edit=Cierra uno|"
                            "msg_apertura2_edit=Abre dos|msg_cierre2_edit=Cierra dos|"
                            "min_digitos_spin=9|num_base_edit=+5699");
        answerer.queue_button(QMessageBox::Yes);
        run(w, "get_params_btn|" + edits + "|send_params_btn|disconnect_btn");
        QVERIFY(answerer.texts().value(0).startsWith("¿Grabar en el controlador 13 parámetros?"));
        QVERIFY(sim.query_raw("GET_PARS").contains("## 09 \"Port\xf3n abierto\""));
        answerer.clear();
        DORVAK_Admin w2;
        TestProbe(w2).fast();
        w2.choose_port(sim.port());
        run(w2, "connect_btn|get_params_btn|" + edits + "|disconnect_btn", true);
        QVERIFY(answerer.seen().isEmpty());
    }
};

QTEST_MAIN(TstE2eLogParams)
#include "tst_e2e_log_params.moc"
