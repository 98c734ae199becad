// `dorvak-admin backup PORT DIR` as cron runs it, with no display, against
// the simulator process: the files are what the window exports, and a
// backup that fails says so and leaves no folder that looks complete.
#include "backup_files.h"
#include "history_db.h"
#include "param_lines.h"
#include "probe.h"
#include "sim_process.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Starts a backup into `dir` with no display and no platform chosen.
void start(QProcess &backup, const QStringList &args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    env.remove("QT_LOGGING_RULES");
    backup.setProcessEnvironment(env);
    backup.start(DORVAK_ADMIN, args);
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(falta)");
}

} // namespace

class TstBackup : public QObject
{
    Q_OBJECT

private slots:
    void whole_backup_is_what_the_window_exports()
    {
        SimProcess sim;
        const QStringList controller_params = sim.query("GET_PARS");
        QTemporaryDir dir;
        QProcess backup;
        start(backup, {"backup", sim.port(), dir.path()});
        QVERIFY(backup.waitForFinished(60000));
        QCOMPARE(backup.exitCode(), 0);
        const QStringList made = QDir(dir.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(made.size(), 1);
        QVERIFY(made.first().startsWith("Condominio_Sur-"));
        const QDir folder(dir.filePath(made.first()));
        QCOMPARE(backup.readAllStandardOutput(),
                 "Respaldo en " + folder.path().toUtf8()
                     + ": 30 usuarios, 100 eventos, 16 parámetros\n");

        DORVAK_Admin w;
        QVERIFY(connect_window(w, sim.port()));
        for (const char *button : {"get_params_btn", "get_users_btn", "get_log_btn"})
            w.findChild<QPushButton *>(button)->click();
        TestProbe(w).export_users_to(dir.filePath("u.csv"));
        TestProbe(w).export_log_to(dir.filePath("r.csv"));
        QCOMPARE(contents(folder.filePath("usuarios.csv")), contents(dir.filePath("u.csv")));
        QCOMPARE(contents(folder.filePath("registro.csv")), contents(dir.filePath("r.csv")));
        const auto params = params_from_csv(
            QString::fromLocal8Bit(contents(folder.filePath("parametros.csv"))).split('\n'));
        QVERIFY(params == read_param_answer(controller_params));
    }

    // Every option the help shows, before or after the word "backup", and
    // the history's faults: the folder is written, the output holds no
    // line of Qt's, and the exit status says whether the visit is recorded.
    void options_and_history_data()
    {
        QTest::addColumn<QString>("args");    // %H the history, %P the port, %D the folder
        QTest::addColumn<QString>("history"); // "held": by another copy
        QTest::addColumn<int>("code");
        // clang-format off
        QTest::newRow("--historial first, --verbose between") << "--historial %H backup %P --verbose %D" << "" << 0;
        QTest::newRow("--verbose first, --historial after backup") << "--verbose backup --historial %H %P %D" << "" << 0;
        QTest::newRow("--historial= last") << "backup %P %D --historial=%H" << "" << 0;
        QTest::newRow("--help after backup") << "backup --help" << "" << 0;
        QTest::newRow("held by another copy") << "backup %P %D" << "held" << 4;
        QTest::newRow("cannot be made") << "--historial /proc/x/h.sqlite backup %P %D" << "" << 3;
        QTest::newRow("two at once, the second's names taken") << "backup %P %D" << "twice" << 0;
        // clang-format on
    }
    void options_and_history()
    {
        QFETCH(QString, args);
        QFETCH(QString, history);
        SimProcess sim;
        QTemporaryDir dir;
        const QString h = dir.filePath("h.sqlite"), out = dir.filePath("out");
        qputenv("DORVAK_HISTORY", h.toUtf8());
        qputenv("DORVAK_HISTORY_WAIT", "0");
        QProcess holder, backup, other;
        if (history == "held")
            holder.start(HISTORY_WRITER, {h, "1"});
        // Another backup of the same second, of a controller named alike,
        // after an earlier one took the names of the seconds to come.
        const std::unique_ptr<SimProcess> alike(history == "twice" ? new SimProcess({"--seed", "2"})
                                                                   : nullptr);
        // One clock for all: a second that ticks during the loop must not
        // leave a name of the seconds to come free.
        const QDateTime now = QDateTime::currentDateTime();
        for (int s = 0; alike && s < 30; ++s)
            QDir(out).mkpath(backup_folder_name("Condominio Sur", now.addSecs(s)));
        if (alike)
            start(other, {"--historial", "off", "backup", alike->port(), out});
        QVERIFY(history != "held" || holder.waitForReadyRead(30000));
        start(backup,
              args.replace("%H", h).replace("%P", sim.port()).replace("%D", out).split(' '));
        QVERIFY(backup.waitForFinished(60000) && (!alike || other.waitForFinished(60000)));
        holder.kill();
        holder.waitForFinished();
        const QString err = backup.readAllStandardError();
        QVERIFY2(!err.contains(QRegularExpression("QStandardPaths|plugin|Qt|XDG")),
                 qPrintable(err));
        QTEST(backup.exitCode(), "code");
        QVERIFY(err.contains(history == "held" ? "proceso" : ""));
        QVERIFY(!args.contains("--help") || backup.readAllStandardOutput().contains("4 respaldo"));
        const QStringList made = alike ? QDir(out).entryList({"*-2", "*-3"}, QDir::Dirs)
                                       : QDir(out).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(made.size(), args.contains("--help") ? 0 : alike ? 2 - other.exitCode() : 1);
        for (const QString &folder : made)
            QCOMPARE(QDir(out + "/" + folder).entryList(QDir::Files).size(), 3);
        QVERIFY(backup.exitCode() != 0 || args.contains("--help")
                || HistoryDb(h).visits("+56911112222").value(0).origin == "respaldo");
    }

    void failed_backup_data()
    {
        QTest::addColumn<QString>("port"); // "sim": the simulator, killed mid-log
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said");
        QTest::newRow("simulator killed mid-log") << "sim" << 1 << "la descarga del registro";
        QTest::newRow("no such port") << "/dev/no-existe" << 1 << "No se pudo abrir el puerto";
        QTest::newRow("no arguments") << "" << 2 << "Uso: dorvak-admin backup PUERTO CARPETA";
    }

    void failed_backup()
    {
        QFETCH(QString, port);
        QFETCH(QString, said);
        SimProcess sim({"--baud", "115200", "--logs", "3000"});
        QTemporaryDir dir;
        qputenv("DORVAK_HISTORY", dir.filePath("h.sqlite").toUtf8());
        QProcess backup;
        backup.setReadChannel(QProcess::StandardError);
        start(backup,
              port.isEmpty()
                  ? QStringList{"backup"}
                  : QStringList{"backup", port == "sim" ? sim.port() : port, dir.path()});
        QByteArray err;
        // The log takes seconds at the line's rate: the simulator goes once
        // the users are in.
        while (port == "sim" && !err.contains("Usuarios:") && backup.waitForReadyRead(30000))
            err += backup.readAllStandardError();
        sim.kill();
        QVERIFY(backup.waitForFinished(60000));
        err += backup.readAllStandardError();
        QTEST(backup.exitCode(), "code");
        QVERIFY2(QString::fromUtf8(err).count(said) == 1, err); // said once
        QVERIFY(QDir(dir.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
        // The history has the whole reads of the visit, and nothing of the
        // log cut short.
        const HistoryDb history(dir.filePath("h.sqlite"));
        const QList<VisitInfo> visits = history.visits("+56911112222");
        QCOMPARE(visits.size(), port == "sim" ? 1 : 0);
        QVERIFY(port != "sim" || (visits.first().users == 30 && !visits.first().log_at.isValid()));
        QCOMPARE(history.archive_size("+56911112222"), qint64(0));
    }
};

QTEST_MAIN(TstBackup)
#include "tst_backup.moc"
