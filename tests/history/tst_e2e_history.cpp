// Two visits to the real simulator with changes made on it in between: the
// "Historial" page shows exactly those changes, the Registro tab the
// archive's chart; two controllers.
#include "history_db.h"
#include "modal_answerer.h"
#include "probe.h"
#include "sim_process.h"
#include "user_row.h"

#include <QTemporaryDir>
#include <QtCharts/QChartView>
#include <QtCharts/QXYSeries>
#include <QtTest>
#include <QtWidgets>

#ifdef QT_CHARTS_USE_NAMESPACE
QT_CHARTS_USE_NAMESPACE
#endif

namespace {

void visit(DORVAK_Admin &w, const QString &port)
{
    QVERIFY(connect_window(w, port));
    // The users come first: the controller's identity is read for them.
    for (const char *button : {"get_users_btn", "get_log_btn"})
        w.findChild<QPushButton *>(button)->click();
}

int chart_points(DORVAK_Admin &w)
{
    const auto series = w.findChild<QChartView *>("log_chart")->chart()->series();
    return series.isEmpty() ? -1 : int(static_cast<QXYSeries *>(series.first())->count());
}

} // namespace

class TstE2eHistory : public QObject
{
    Q_OBJECT

private slots:
    void two_visits()
    {
        QTemporaryDir dir;
        qputenv("DORVAK_HISTORY", dir.filePath("h.sqlite").toUtf8());
        SimProcess sim;
        ModalAnswerer answerer;
        const int events_before = sim.query("TOTAL_LOG").value(0).toInt();
        {
            DORVAK_Admin w;
            visit(w, sim.port());
        }
        for (const char *change :
             {" UU 500 2 \"Nuevo Vecino\" +56900000099 1 0 0 24 127",
              " UU 8 2 \"Depto 376 B\" +56985723397 1 0 0 24 127", "BU +56918146508",
              "SEND_PAR 2 00 \"Condominio Norte\"", "CREATE500L"})
            sim.query(change);
        const int events_after = sim.query("TOTAL_LOG").value(0).toInt();

        DORVAK_Admin w;
        visit(w, sim.port());
        auto *tabs = w.findChild<QTabWidget *>("tabs");
        tabs->setCurrentWidget(w.findChild<QWidget *>("history_page"));
        QCOMPARE(w.findChild<QListWidget *>("history_visits")->count(), 2);
        const QStringList shown =
            w.findChild<QPlainTextEdit *>("history_changes")->toPlainText().split('\n');
        QCOMPARE(
            shown.mid(1),
            (QStringList{
                "Personas agregadas (1):", "  +56900000099 Nuevo Vecino",
                "Personas quitadas (1):", "  +56918146508 Jardinero 975", "Personas cambiadas (1):",
                "  +56985723397 Depto 376 B: nombre Depto 376 → Depto 376 B",
                "Parámetros cambiados (1):",
                "  Nombre Instalación (00): Condominio Sur → Condominio Norte",
                QString("Eventos llegados desde entonces: %1").arg(events_after - events_before)}));

        // The archive holds both downloads' events once each; the chart
        // follows the finder.
        QAbstractItemModel *table = w.findChild<QTableView *>("log_table")->model();
        w.findChild<QPushButton *>("log_chart_btn")->click();
        const int download_days = chart_points(w);
        w.findChild<QPushButton *>("log_archive_btn")->click();
        QCOMPARE(table->rowCount(), events_after);
        w.findChild<QLineEdit *>("log_filter_edit")->setText(table->index(0, 0).data().toString());
        QCOMPARE(chart_points(w), 1);
        QVERIFY(download_days > 1);

        QVERIFY(answerer.seen().isEmpty());
    }

    // Two controllers and one history. The log is named after its own
    // controller's people only: from the list when it is that controller's,
    // else from its last recorded directory, else not at all, and the tab
    // says whose. A replacement gets the dead one's data: the dead one stays
    // chosen in "Historial", and its values are written after the list of
    // what changes, whether the replacement's were read or not.
    void two_controllers_data()
    {
        QTest::addColumn<QString>("steps"); // "port:buttons" joined by ' ', d dead, n new
        QTest::addColumn<QString>("said");  // the names' label, or what the write lists
        // clang-format off
        QTest::newRow("log, nothing of it") << "d:get_users_btn n:get_log_btn" << "Sin nombres: no hay directorio del equipo +569";
        QTest::newRow("log, its directory recorded") << "n:get_users_btn d:get_users_btn n:get_log_btn" << "Nombres del directorio del equipo";
        QTest::newRow("log, its directory in the list") << "d:get_users_btn n:get_users_btn|get_log_btn" << "Nombres de la lista de usuarios";
        QTest::newRow("replacement read first") << "d:get_users_btn n:get_params_btn|tab|dead|history_users_btn|tab|history_params_btn|send_params_btn" << "Nombre Instalación (00): Nuevo → Condominio Sur";
        QTest::newRow("replacement never read") << "d:get_users_btn n:tab|dead|history_users_btn|tab|history_params_btn|send_params_btn" << "Nombre Instalación (00): (sin leer) → Condominio Sur";
        // clang-format on
    }
    void two_controllers()
    {
        QFETCH(QString, steps);
        QTemporaryDir dir;
        qputenv("DORVAK_HISTORY", dir.filePath("h.sqlite").toUtf8());
        SimProcess dead, fresh({"--seed", "2", "--name", "Nuevo"});
        QHash<QString, QString> names, by_time; // the new one's people by id, its events' by time
        for (const QString &line : fresh.query("LU"))
            names.insert(line.mid(3).section(',', 0, 0), line.section(',', 2, 2).remove('"'));
        const bool named = !steps.startsWith("d:get_users_btn n:get_log");
        for (const QString &line : fresh.query("ENVLOG"))
            by_time.insert(line.section(' ', 4, 5),
                           named ? names.value(line.section(' ', 2, 2)) : "????");
        ModalAnswerer answerer;
        answerer.queue_button(QMessageBox::Yes);
        DORVAK_Admin w;
        auto *tabs = w.findChild<QTabWidget *>("tabs");
        auto *combo = w.findChild<QComboBox *>("history_controller_combo");
        for (const QString &step : steps.split(' ')) {
            QVERIFY(connect_window(w, (step.startsWith('d') ? dead : fresh).port()));
            for (const QString &button : step.mid(2).split('|')) {
                if (button == "tab")
                    tabs->setCurrentWidget(w.findChild<QWidget *>("history_page"));
                else if (button == "dead")
                    combo->setCurrentIndex(combo->findData("+56911112222"));
                else
                    w.findChild<QPushButton *>(button)->click();
            }
            w.findChild<QPushButton *>("disconnect_btn")->click();
        }
        QFETCH(QString, said);
        if (steps.endsWith("send_params_btn")) {
            // The dead one stayed chosen; its directory waits, its values went.
            QCOMPARE(combo->currentData().toString(), QString("+56911112222"));
            QCOMPARE(TestProbe(w).users().size(), 30);
            for (const UserRow *u : TestProbe(w).users())
                QVERIFY(u->pending && u->numero_device.isEmpty());
            QVERIFY(answerer.texts().join('|').contains(said));
            QVERIFY(fresh.query("GET_PARS").contains("## 00 \"Condominio Sur\""));
            // Sincronizar makes it hold the dead one's people, its own deleted
            // after the question that counts them.
            QVERIFY(connect_window(w, fresh.port()));
            answerer.queue_button(QMessageBox::Yes);
            w.findChild<QPushButton *>("sync_btn")->click();
            w.findChild<QPushButton *>("disconnect_btn")->click();
            const auto people = [](const SimProcess &sim) {
                QStringList out = sim.query("LU").filter(QRegularExpression("^## \\d"));
                for (QString &line : out)
                    line = line.section(',', 1, 3);
                out.sort();
                return out;
            };
            QCOMPARE(people(fresh), people(dead));
            QVERIFY(
                answerer.texts().join('|').contains(" guarda 30 personas que la lista no tiene."));
            return;
        }
        QVERIFY(w.findChild<QLabel *>("log_names")->text().startsWith(said));
        QAbstractItemModel *t = w.findChild<QTableView *>("log_table")->model();
        for (int r = 0; r < 100; ++r)
            QCOMPARE(t->index(r, 1).data().toString(),
                     by_time.value(t->index(r, 0).data().toString()));
    }
};

QTEST_MAIN(TstE2eHistory)
#include "tst_e2e_history.moc"
