// Two visits to the real simulator with changes made on it in between: the
// "Historial" page shows exactly those changes, the Registro tab the whole
// archive and its chart; two controllers; a history held elsewhere.
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

    // "Cambios desde la visita anterior" for the visit chosen, each part
    // against the last visit before it that read the same thing. Visits,
    // oldest first: u1 a directory, u2 the same and one more person, p1 and
    // p2 two installation names, l a log. Then the text, and the restore
    // buttons offered (U, P).
    void visit_changes_data()
    {
        QTest::addColumn<QString>("visits");
        QTest::addColumn<int>("chosen"); // 0 the newest
        QTest::addColumn<QString>("text");
        const QString none = "Registro: no se leyó en esta visita.";
        // clang-format off
        QTest::newRow("first visit") << "u1p1" << 0 << "Primera visita a este controlador.|" + none + "|UP";
        QTest::newRow("an older visit") << "u1 u2" << 1 << "Primera visita a este controlador.|Parámetros: no se leyeron en esta visita.|" + none + "|U";
        QTest::newRow("nothing changed") << "u1p1 u1p1l" << 0 << "Visita anterior|Usuarios: sin cambios.|Parámetros: sin cambios.|Eventos llegados desde entonces: 1|UP";
        QTest::newRow("against the last visit that read users") << "u1 p1 u2" << 0 << "Visita anterior|Personas agregadas (1):|  +5692 Beto|Parámetros: no se leyeron en esta visita.|" + none + "|U";
        QTest::newRow("against the last visit that read parameters") << "p1 u1 p2" << 0 << "Visita anterior|Usuarios: no se leyeron en esta visita.|Parámetros cambiados (2):|  Nombre Instalación (00): Casa → Otra|  Número Equipo (01):  → 5|" + none + "|P";
        QTest::newRow("only the log read") << "u1p1 l" << 0 << "Visita anterior|Usuarios: no se leyeron en esta visita.|Parámetros: no se leyeron en esta visita.|Eventos llegados desde entonces: 1|";
        QTest::newRow("in the form's words") << "u1p1 u3p3" << 0 << "Visita anterior|Personas cambiadas (1):|  +5691 Ana: días LMWJVSD → LMWJV|Parámetros cambiados (3):|  Notificaciones de (04):  → Acceso, SMS no reconocidos|  Modo de operación (06):  → 2|  Modo Entrada 2 (08):  → Enviar Apertura y Cierre|" + none + "|UP";
        QTest::newRow("no one matched") << "u1 u4" << 0 << "Visita anterior|Personas agregadas (1):|  +5699 Zoe|Personas quitadas (1):|  +5691 Ana|Atención: ninguna persona de la visita anterior está en esta; ¿es otro controlador con el mismo Número Equipo?|Parámetros: no se leyeron en esta visita.|" + none + "|U";
        // clang-format on
    }
    void visit_changes()
    {
        QFETCH(QString, visits);
        QTemporaryDir dir;
        {
            HistoryDb db(dir.filePath("h.sqlite"));
            for (const QString &kinds : visits.split(' ')) {
                qint64 visit = 0;
                int added = 0;
                const QString who =
                    kinds.contains("u4") ? "9,1,\"Zoe\",+5699,9" : "1,1,\"Ana\",+5691,1";
                QStringList users{"## " + who + ",0,0,0,0,24,"
                                  + (kinds.contains("u3") ? "31" : "127")};
                if (kinds.contains("u2"))
                    users << "## 2,2,\"Beto\",+5692,1,0,0,0,0,24,255";
                const bool p2 = kinds.contains("p2");
                const QString line = "XX 1 1 1 2024-03-05 14:01:48", name = p2 ? "Otra" : "Casa",
                              number = p2 ? "5" : "";
                QVector<QString> params{name, number};
                if (kinds.contains("p3"))
                    params += QVector<QString>{"", "", "5", "", "2", "", "3"};
                QVERIFY(!kinds.contains('u') || db.record_users(visit, "77", "", "", users));
                QVERIFY(!kinds.contains('p') || db.record_params(visit, "77", "", "", params));
                QVERIFY(!kinds.contains('l') || db.record_log(visit, "77", "", "", {line}, added));
            }
        }
        qputenv("DORVAK_HISTORY", dir.filePath("h.sqlite").toUtf8());
        DORVAK_Admin w;
        w.findChild<QTabWidget *>("tabs")->setCurrentWidget(w.findChild<QWidget *>("history_page"));
        QFETCH(int, chosen);
        w.findChild<QListWidget *>("history_visits")->setCurrentRow(chosen);
        QString text = w.findChild<QPlainTextEdit *>("history_changes")->toPlainText();
        text.replace(QRegularExpression("Visita anterior: [^\n]*"), "Visita anterior");
        const auto offered = [&](const char *b) {
            return w.findChild<QPushButton *>(b)->isEnabled();
        };
        text += QString("\n") + (offered("history_users_btn") ? "U" : "")
            + (offered("history_params_btn") ? "P" : "");
        QTEST(text.replace('\n', '|'), "text");
    }

    // A long archive comes into the table in parts, with the window answering
    // between them: whatever is done meanwhile, every event ends up in the
    // table once and in order, or the archive stops coming when another log
    // takes the table.
    void archive_in_parts_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<int>("rows");
        QTest::newRow("nothing") << "" << 70000;
        QTest::newRow("finder") << "find" << 12400;
        QTest::newRow("export") << "export" << 70000;
        QTest::newRow("switched off") << "off" << 0;
    }
    void archive_in_parts()
    {
        // The long archive is written once; each row opens its own copy.
        static QTemporaryDir made;
        const QString archive = made.filePath("h.sqlite");
        if (!QFile::exists(archive)) {
            QStringList lines;
            const QDateTime start(QDate(2024, 1, 1), QTime(0, 0));
            for (int i = 0; i < 70000; ++i)
                lines << "XX 1 0 0 " + start.addSecs(60LL * i).toString("yyyy-MM-dd HH:mm:ss");
            HistoryDb db(archive);
            qint64 visit = 0;
            int added = 0;
            QVERIFY(db.record_log(visit, "77", "", "", lines, added));
        }
        QTemporaryDir dir;
        const QString path = dir.filePath("h.sqlite");
        QVERIFY(QFile::copy(archive, path));
        qputenv("DORVAK_HISTORY", path.toUtf8());
        DORVAK_Admin w;
        w.findChild<QTabWidget *>("tabs")->setCurrentWidget(w.findChild<QWidget *>("history_page"));
        QAbstractItemModel *table = w.findChild<QTableView *>("log_table")->model();
        w.findChild<QPushButton *>("log_archive_btn")->click();
        QVERIFY(table->rowCount() > 0 && table->rowCount() < 70000);

        QFETCH(QString, meanwhile);
        if (meanwhile == "find")
            w.findChild<QLineEdit *>("log_filter_edit")->setText("2024-02-1");
        else if (meanwhile == "export")
            TestProbe(w).export_log_to(dir.filePath("log.csv"));
        else if (meanwhile == "off")
            w.findChild<QPushButton *>("log_archive_btn")->click();
        for (int turn = 0; turn < 10; ++turn)
            QCoreApplication::processEvents();
        QFETCH(int, rows);
        QTRY_COMPARE(table->rowCount(), rows);
        QFile written(dir.filePath("log.csv"));
        QCOMPARE(written.open(QIODevice::ReadOnly) ? written.readAll().count('\n') : 0,
                 meanwhile == "export" ? 70001 : 0);
    }

    // A history held by another copy stops nothing, and the window names
    // the copy that holds it.
    void held_history_stops_nothing()
    {
        QTemporaryDir dir;
        const HistoryDb holder(dir.filePath("h.sqlite"));
        qputenv("DORVAK_HISTORY", dir.filePath("h.sqlite").toUtf8());
        SimProcess sim;
        ModalAnswerer answerer;
        DORVAK_Admin w;
        QVERIFY(w.statusBar()->currentMessage().startsWith(
            "Historial no disponible: otra copia de DORVAK Admin (tst_e2e_history, proceso "));
        visit(w, sim.port());
        QCOMPARE(TestProbe(w).users().size(), 30);
        QVERIFY(answerer.seen().isEmpty());
    }
};

QTEST_MAIN(TstE2eHistory)
#include "tst_e2e_history.moc"
