// The history file: what is recorded, the comparison between two visits,
// the schema's migration, a file that cannot be used, and a recording cut
// off by a killed process.
#include "chart_axis.h"
#include "history_changes.h"
#include "history_db.h"
#include "user_row.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

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
            QTest::newRow(row) << QString(row).section(' ', 0, 0).toInt()
                               << QString(row).section(' ', 1);
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
        QTest::newRow("same, status lines aside")
            << QStringList{ana, beto} << QStringList{"## OK", beto, ana} << QStringList{};
        QTest::newRow("added and removed")
            << QStringList{ana} << QStringList{beto} << QStringList{"+ +5692 Beto", "- +5691 Ana"};
        QTest::newRow("renamed, matched by number")
            << QStringList{ana} << QStringList{user(9, "Ana María", "+5691")}
            << QStringList{"* +5691 Ana María: nombre Ana → Ana María"};
        // Ids differ between controllers: the owner is named by its number.
        QTest::newRow("new owner, new type")
            << QStringList{ana, beto, user(3, "Cris", "+5693", 1, 3)}
            << QStringList{ana, beto, user(3, "Cris", "+5693", 2, 2)}
            << QStringList{"* +5693 Cris: tipo VISITA → USUARIO; dueño +5691 → +5692"};
    }

    void directory_changes()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        UserRow::id_siguiente = 1000;
        const DirectoryChanges d = compare_directories(before, after);
        QCOMPARE(UserRow::id_siguiente, 1000); // the window's next id stays put
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

        QVERIFY(db.record_users(visit, "77", "Casa", QString(), {ana}));
        const qint64 first = visit;
        QVERIFY(db.record_users(visit, "77", "", "/dev/x", {ana, beto}));
        QCOMPARE(visit, first); // a second read in the same visit replaces the first
        QCOMPARE(db.users_of(first), (QStringList{ana, beto}));
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
        QVERIFY(later != first);
        QCOMPARE(db.archive("77"), (QStringList{e1, e1, e2, e1}));
        // Another controller keeps its own archive; a line that leads to it
        // starts a visit of its own.
        QVERIFY(db.record_log(later, "88", "", "", {e1}, added));
        QCOMPARE(added, 1);
        QCOMPARE(db.visits("77").size(), 2);
        QCOMPARE(db.visits("77").first().new_events, 1);

        QVERIFY(db.record_params(visit, "77", "", "", {"Casa", "77"}));
        QCOMPARE(db.params_of(visit), (QVector<QString>{"Casa", "77"}));

        // A recording that fails half-way says so and leaves what was there,
        // the controller's name included.
        {
            QSqlDatabase raw = QSqlDatabase::addDatabase("QSQLITE", "raw");
            raw.setDatabaseName(dir.filePath("h.sqlite"));
            QVERIFY(raw.open() && QSqlQuery(raw).exec("DROP TABLE visit_params"));
        }
        QSqlDatabase::removeDatabase("raw");
        const qint64 before = visit;
        QVERIFY(!db.record_params(visit, "77", "Otra", "", {"X"}));
        QCOMPARE(visit, before);
        QCOMPARE(db.controllers().first().name, QString("Casa"));
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

    void unusable_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("why");
        // clang-format off
        QTest::newRow("not a database") << "corrupt" << "no es un historial válido";
        QTest::newRow("folder that cannot be made") << "folder" << "no se pudo crear la carpeta";
        QTest::newRow("held by another copy") << "held" << "otra copia de DORVAK Admin";
        // clang-format on
    }

    void unusable()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        QString path = dir.filePath("h.sqlite");
        std::unique_ptr<HistoryDb> holder;
        if (kind == "corrupt") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(QByteArray(4096, 'x')) > 0);
        } else if (kind == "folder") {
            path = "/proc/dorvak-history/h.sqlite";
        } else {
            holder = std::make_unique<HistoryDb>(path);
        }
        HistoryDb db(path);
        QVERIFY(!db.available());
        QFETCH(QString, why);
        QVERIFY2(db.why().contains(why), qPrintable(db.why()));
        qint64 visit = 0;
        QVERIFY(!db.record_users(visit, "77", "", "", {ana}));
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
};

QTEST_MAIN(TstHistory)
#include "tst_history.moc"
