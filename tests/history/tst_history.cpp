// The history file: what is recorded, the comparison between two visits,
// the schema's migration, a file that cannot be used or written, visits
// that are never overwritten, and a recording cut off by a killed process;
// the "Historial" page's changes and the archive in the Registro tab.
#include "../core/core_fixture.h"
#include "chart_axis.h"
#include "history_changes.h"
#include "history_db.h"
#include "log_download.h"
#include "probe.h"
#include "sim_process.h"
#include "user_download.h"
#include "user_row.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>
#include <QtWidgets>

namespace {

QString user(int id, const QString &name, const QString &number, int owner = 0, int code = 2)
{
    return QStringLiteral("## %1,%2,\"%3\",%4,%5,0,0,0,0,24,255")
        .arg(id)
        .arg(code)
        .arg(name, number)
        .arg(owner);
}

const QString ana = user(1, "Ana", "+5691"), beto = user(2, "Beto", "+5692");

// SQLite's own state of `path` on this process's connections to it.
void on_connection(const QString &sql)
{
    for (const QString &name : QSqlDatabase::connectionNames()) {
        QSqlQuery q(QSqlDatabase::database(name, false));
        if (sql.startsWith("PRAGMA") && q.exec("PRAGMA page_count") && q.next())
            q.exec(QString(sql).replace("PAGES", q.value(0).toString()));
    }
}

QStringList events(int count, int offset_s)
{
    QStringList lines;
    const QDateTime start(QDate(2024, 1, 1), QTime(0, 0));
    for (int i = 0; i < count; ++i)
        lines << "XX 1 1 1 " + start.addSecs(120LL * i + offset_s).toString("yyyy-MM-dd HH:mm:ss");
    return lines;
}

} // namespace

class TstHistory : public QObject
{
    Q_OBJECT

private slots:
    // The chart's marks for the largest count, "top/step": whole steps of 1,
    // 2 or 5 times a power of ten, at most six of them.
    void axis_steps_data()
    {
        QTest::addColumn<int>("largest");
        QTest::addColumn<QString>("marks");
        for (const char *row : {"0 1/1", "1 1/1", "6 6/1", "7 8/2", "13 15/5", "31 40/10",
                                "521 600/100", "2336 2500/500", "2147483647 2500000000/500000000"})
            // clang-format off
            QTest::newRow(row) << QString(row).section(' ', 0, 0).toInt() << QString(row).section(' ', 1);
        // clang-format on
    }
    void axis_steps()
    {
        QFETCH(int, largest);
        const AxisSteps steps = ::axis_steps(largest);
        QTEST(QString("%1/%2").arg(steps.top).arg(steps.step), "marks");
    }

    void directory_changes_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QStringList>("expected");
        // clang-format off
        QTest::newRow("same, status lines aside") << QStringList{ana, beto} << QStringList{"## OK", beto, ana} << QStringList{};
        QTest::newRow("added and removed") << QStringList{ana} << QStringList{beto} << QStringList{"+ +5692 Beto", "- +5691 Ana"};
        QTest::newRow("renamed, matched by number") << QStringList{ana} << QStringList{user(9, "Ana María", "+5691")} << QStringList{"* +5691 Ana María: nombre Ana → Ana María"};
        // clang-format on
        // Ids differ between controllers: the owner is named by its number.
        // clang-format off
        QTest::newRow("new owner, new type") << QStringList{ana, beto, user(3, "Cris", "+5693", 1, 3)} << QStringList{ana, beto, user(3, "Cris", "+5693", 2, 2)} << QStringList{"* +5693 Cris: tipo VISITA → USUARIO; dueño +5691 → +5692"};
        // clang-format on
    }

    void directory_changes()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        const DirectoryChanges d = compare_directories(before, after);
        QStringList got;
        for (const QString &s : d.added)
            got << "+ " + s;
        for (const QString &s : d.removed)
            got << "- " + s;
        for (const QString &s : d.changed)
            got << "* " + s;
        QTEST(got, "expected");
    }

    void recording()
    {
        QTemporaryDir dir;
        HistoryDb db(dir.filePath("h.sqlite"));
        QVERIFY2(db.available(), qPrintable(db.why()));
        qint64 visit = 0;
        // Nothing is recorded without knowing which controller it came from.
        QVERIFY(!db.record_users(visit, QString(), "Casa", "/dev/x", {ana}));
        QVERIFY(db.controllers().isEmpty());

        QVERIFY(db.record_users(visit, "77", "Casa", QString(), {ana, "## OK", beto}));
        const qint64 first = visit;
        // Another read is a visit of its own; the first keeps what it read,
        // status lines left out.
        QVERIFY(db.record_users(visit, "77", "", "/dev/x", {ana}));
        QCOMPARE(db.users_of(first), (QStringList{ana, beto}));
        QCOMPARE(db.latest_users("77") + db.latest_users("88"), QStringList{ana});
        QCOMPARE(db.controllers().first().name, QString("Casa"));

        // Each event once, however many downloads carry it; two same lines
        // in one download are two events.
        const QString e1 = "XX 1 5 0 2024-03-05 14:01:48", e2 = "XX 2 5 0 2024-03-06 09:00:00";
        int added = 0;
        QVERIFY(db.record_log(visit, "77", "", "", {"TOTAL 3", e1, e1, e2 + "\r"}, added));
        QCOMPARE(added, 3);
        qint64 later = 0;
        QVERIFY(db.record_log(later, "77", "", "", {e1, e1, e2, e1}, added));
        QCOMPARE(added, 1);
        QVERIFY(later != first && later != visit);
        QCOMPARE(db.archive("77"), (QStringList{e1, e1, e2, e1}));
        // Another controller keeps its own archive; a line that leads to it
        // starts a visit of its own.
        QVERIFY(db.record_log(later, "88", "", "", {e1}, added));
        QCOMPARE(added, 1);
        QCOMPARE(db.visits("77").size(), 3);
        QCOMPARE(db.visits("77").first().new_events, 1);

        QVERIFY(db.record_params(visit, "77", "", "", {"Casa", "77"}));
        QCOMPARE(db.params_of(visit), (QVector<QString>{"Casa", "77"}));
    }

    void migration_from_first_version()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("h.sqlite");
        {
            HistoryDb old(path, 1);
            QCOMPARE(old.version(), 1);
            qint64 visit = 0;
            QVERIFY(old.record_users(visit, "77", "Casa", "", {ana}));
        }
        HistoryDb db(path);
        QVERIFY(db.available());
        QCOMPARE(db.version(), HistoryDb::schema_version);
        QCOMPARE(db.users_of(db.visits("77").first().id), QStringList{ana});
    }

    // A history that cannot be used says why once and records nothing; one
    // that opened but cannot be written: the download ends as it did, each
    // failure is said with its reason, and the file keeps what it held; an
    // archive read from damaged pages says it is cut short.
    void history_faults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("reason");
        // clang-format off
        QTest::newRow("not a database") << "corrupt" << "h.sqlite no es un historial válido";
        QTest::newRow("folder that cannot be made") << "folder" << "Historial no disponible: no se pudo crear la carpeta";
        QTest::newRow("held by another copy") << "held" << "Historial no disponible: otra copia de DORVAK Admin (";
        QTest::newRow("read-only file") << "PRAGMA query_only = 1" << "solo lectura";
        QTest::newRow("full disk") << "PRAGMA max_page_count = PAGES" << "disco está lleno";
        QTest::newRow("damaged pages") << "damage" << "dañado";
        // clang-format on
    }
    void history_faults()
    {
        QFETCH(QString, fault);
        // A long archive, written once; each row works on its own copy.
        static QTemporaryDir made;
        const QString archive = made.filePath("h.sqlite");
        qint64 visit = 0;
        int added = 0;
        QVERIFY(QFile::exists(archive)
                || HistoryDb(archive).record_log(visit, "P1", "", "", events(40000, 0), added));
        QTemporaryDir dir;
        const QString path = fault == "folder" ? "/proc/x/h.sqlite" : dir.filePath("h.sqlite");
        QVERIFY(fault == "folder" || QFile::copy(archive, path));
        QFile f(path);
        const qint64 at = fault == "corrupt" ? 0 : f.size() / 3;
        QVERIFY((fault != "damage" && fault != "corrupt")
                || (f.open(QIODevice::ReadWrite) && f.seek(at)
                    && f.write(QByteArray(int(f.size() / 3), '\xa5')) > 0));
        f.close();
        const std::unique_ptr<HistoryDb> holder(fault == "held" ? new HistoryDb(path) : nullptr);
        CoreOnLine on{paced_timings()};
        // Only a long recording is sure to reach the damaged pages.
        const int count = fault == "damage" ? 3000 : 300;
        on.fake.on("TOTAL_LOG", QByteArray::number(count) + '\n');
        on.fake.on("ENVLOG", (events(count, 60).join('\n') + '\n').toUtf8());
        on.fake.set_pace(200000); // a line holds only so much at once
        on.core.open_history(path);
        on_connection(fault);
        on.core.take_params(QVector<QString>(16, "P1"));
        DownloadLog download(on.core);
        QCOMPARE(download.exec().summary, QString("%1 eventos descargados").arg(count));
        const QString said = on.core.history_state() + on.core.unrecorded();
        QFETCH(QString, reason);
        QVERIFY2(said.contains(reason), qPrintable(said));
        on.core.open_history(QString());
        qint64 after = 0;
        QString failure;
        const int kept = int(HistoryDb(path).archive_part("P1", after, -1, &failure).size());
        QVERIFY(fault == "corrupt" || fault == "folder" || fault == "held"
                || (failure.isEmpty() && kept == 40000) == (fault != "damage"));
    }

    // Nothing recorded is overwritten: a read after a command that changed
    // the controller (here typed in the console, as the tool's own go out
    // too) is a new visit, with the parameters read again; the same read
    // again is none.
    void visits_never_overwritten_data()
    {
        QTest::addColumn<QString>("between");
        QTest::addColumn<int>("visits");
        QTest::addColumn<int>("users"); // the newest visit's
        QTest::newRow("the same read again") << "" << 1 << 31;
        QTest::newRow("Default DB") << "DEFAULTDB" << 2 << 30;
        QTest::newRow("a deletion") << "BU +56900000099" << 2 << 30;
    }
    void visits_never_overwritten()
    {
        QFETCH(QString, between);
        SimProcess sim;
        sim.query(" UU 500 2 \"Nuevo\" +56900000099 1 0 0 24 127");
        QTemporaryDir dir;
        CoreOnLine on;
        on.core.open_history(dir.filePath("h.sqlite"));
        on.core.session.close();
        QVERIFY(on.core.session.open(sim.port()));
        QVERIFY(DownloadUsers(on.core).exec().ok());
        if (!between.isEmpty())
            on.core.session.type_line(between);
        QVERIFY(DownloadUsers(on.core).exec().ok());
        const QList<VisitInfo> visits = on.core.history()->visits("+56911112222");
        QTEST(int(visits.size()), "visits");
        QTEST(visits.first().users, "users");
        QVERIFY(visits.last().users == 31 && visits.first().params_at.isValid());
    }

    // A recording killed half-way leaves the file as it was before it:
    // every visit in it holds its whole directory.
    void killed_mid_write()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("h.sqlite");
        const int count = 50000;
        QProcess writer;
        writer.start(HISTORY_WRITER, {path, QString::number(count)});
        QVERIFY(writer.waitForStarted());
        // Killed once the first recording is in: by then it is in the
        // middle of the next one nearly all of its time.
        QVERIFY(writer.waitForReadyRead(30000));
        writer.kill();
        writer.waitForFinished();

        HistoryDb db(path);
        QVERIFY2(db.available(), qPrintable(db.why()));
        const QList<VisitInfo> visits = db.visits("77");
        QVERIFY(!visits.isEmpty());
        for (const VisitInfo &v : visits)
            QCOMPARE(v.users, count);
    }

    // "Cambios desde la visita anterior" for the visit chosen, each part
    // against the last visit before it that read the same thing. Visits,
    // oldest first: u1 a directory, u2 the same and one more person, p1 and
    // p2 two installation names, l a log. Then the text, and the restore
    // buttons offered (U, P), and what they bring back: the installation name
    // and the people, "*" for those waiting for "Sincronizar".
    void visit_changes_data()
    {
        QTest::addColumn<QString>("visits");
        QTest::addColumn<int>("chosen"); // 0 the newest
        QTest::addColumn<QString>("text");
        const QString none = "Registro: no se leyó en esta visita.";
        // clang-format off
        QTest::newRow("first visit") << "u1p1" << 0 << "Primera visita a este controlador.|" + none + "|UP Casa Ana*";
        QTest::newRow("an older visit") << "u1 u2" << 1 << "Primera visita a este controlador.|Parámetros: no se leyeron en esta visita.|" + none + "|U  Ana*";
        QTest::newRow("nothing changed") << "u1p1 u1p1l" << 0 << "Visita anterior|Usuarios: sin cambios.|Parámetros: sin cambios.|Eventos llegados desde entonces: 1|UP Casa Ana*";
        QTest::newRow("against the last visit that read users") << "u1 p1 u2" << 0 << "Visita anterior|Personas agregadas (1):|  +5692 Beto|Parámetros: no se leyeron en esta visita.|" + none + "|U  Ana* Beto*";
        QTest::newRow("against the last visit that read parameters") << "p1 u1 p2" << 0 << "Visita anterior|Usuarios: no se leyeron en esta visita.|Parámetros cambiados (2):|  Nombre Instalación (00): Casa → Otra|  Número Equipo (01):  → 5|" + none + "|P Otra";
        QTest::newRow("only the log read") << "u1p1 l" << 0 << "Visita anterior|Usuarios: no se leyeron en esta visita.|Parámetros: no se leyeron en esta visita.|Eventos llegados desde entonces: 1| ";
        QTest::newRow("in the form's words") << "u1p1 u3p3" << 0 << "Visita anterior|Personas cambiadas (1):|  +5691 Ana: días LMWJVSD → LMWJV|Parámetros cambiados (3):|  Notificaciones de (04):  → Acceso, SMS no reconocidos|  Modo de operación (06):  → 2|  Modo Entrada 2 (08):  → Enviar Apertura y Cierre|" + none + "|UP Casa Ana*";
        QTest::newRow("no one matched") << "u1 u4" << 0 << "Visita anterior|Personas agregadas (1):|  +5699 Zoe|Personas quitadas (1):|  +5691 Ana|Atención: ninguna persona de la visita anterior está en esta; ¿es otro controlador con el mismo Número Equipo?|Parámetros: no se leyeron en esta visita.|" + none + "|U  Zoe*";
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
        // What the visit read comes back: its people waiting for "Sincronizar".
        for (const char *b : {"history_users_btn", "history_params_btn"})
            w.findChild<QPushButton *>(b)->click();
        QStringList restored{TestProbe(w).param_value(0)};
        for (const UserRow *u : TestProbe(w).users())
            restored << u->nombre + (u->pending && u->numero_device.isEmpty() ? "*" : "");
        QTEST(text.replace('\n', '|') + ' ' + restored.join(' '), "text");
    }

    // A long archive comes into the table in parts, with the window answering
    // between them: whatever is done meanwhile, every event ends up in the
    // table once and in order, or the archive stops coming when another log
    // takes the table.
    void archive_in_parts_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<int>("rows");
        QTest::newRow("nothing") << "" << 20000;
        QTest::newRow("finder") << "find" << 7040;
        QTest::newRow("export") << "export" << 20000;
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
            for (int i = 0; i < 20000; ++i)
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
        QVERIFY(table->rowCount() > 0 && table->rowCount() < 20000);

        QFETCH(QString, meanwhile);
        if (meanwhile == "find")
            w.findChild<QLineEdit *>("log_filter_edit")->setText("2024-01-1");
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
                 meanwhile == "export" ? 20001 : 0);
    }
};

QTEST_MAIN(TstHistory)
#include "tst_history.moc"
