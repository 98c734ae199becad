// The history: recording a large log download and a large directory, the
// file's size per event and per user, and the archive view of a controller
// with a long past.
#include "bench.h"

#include "history_db.h"
#include "probe.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>

namespace {

// `count` events of one controller, a few seconds apart from `first` on.
QStringList log_lines(int first, int count)
{
    QStringList lines;
    for (int i = first; i < first + count; ++i) {
        const QDateTime at = QDateTime(QDate(2020, 1, 1), QTime(0, 0)).addSecs(i * 7LL);
        lines << QStringLiteral("XX %1 %2 %3 %4\r\n")
                     .arg(1 + i % 12)
                     .arg(1 + i % 5000)
                     .arg(1 + i % 4999)
                     .arg(at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    }
    return lines;
}

} // namespace

void bench_history(QTextStream &out)
{
    QTemporaryDir dir;
    {
        HistoryDb db(dir.filePath(QStringLiteral("log.sqlite")));
        const qint64 empty = QFileInfo(db.path()).size();
        const QStringList lines = log_lines(0, 20000);
        qint64 visit = 0;
        int added = 0;
        timed(out, "history: record a 20000-event log download", [&] {
            db.record_log(visit, QStringLiteral("1"), QString(), QString(), lines, added);
        });
        out << "history: size per event: " << (QFileInfo(db.path()).size() - empty) / lines.size()
            << " bytes\n";
    }
    {
        HistoryDb db(dir.filePath(QStringLiteral("users.sqlite")));
        const qint64 empty = QFileInfo(db.path()).size();
        QStringList lines;
        for (int i = 1; i <= 5000; ++i)
            lines << QStringLiteral("## %1,2,\"Usuario %1\",+569%2,1,0,0,0,0,24,127")
                         .arg(i)
                         .arg(i, 8, 10, QLatin1Char('0'));
        qint64 visit = 0;
        timed(out, "history: record a 5000-user directory",
              [&] { db.record_users(visit, QStringLiteral("1"), QString(), QString(), lines); });
        out << "history: size per user: " << (QFileInfo(db.path()).size() - empty) / lines.size()
            << " bytes\n";
        // A visit is never overwritten: the same directory read again is
        // compared with the one the visit holds, and a changed one is a new
        // visit of its own.
        const qint64 before = visit;
        timed(out, "history: the same 5000-user directory again (compared, nothing written)",
              [&] { db.record_users(visit, QStringLiteral("1"), QString(), QString(), lines); });
        lines.removeLast();
        timed(out, "history: a changed 5000-user directory (compared, a new visit)",
              [&] { db.record_users(visit, QStringLiteral("1"), QString(), QString(), lines); });
        if (visit == before)
            out << "history: the changed directory did not start a visit of its own\n";
    }

    const int archived = qEnvironmentVariableIntValue("DORVAK_BENCH_ARCHIVE") > 0
        ? qEnvironmentVariableIntValue("DORVAK_BENCH_ARCHIVE")
        : 1000000;
    const QString path = dir.filePath(QStringLiteral("archive.sqlite"));
    {
        HistoryDb db(path);
        for (int first = 0; first < archived; first += 100000) {
            qint64 visit = 0;
            int added = 0;
            db.record_log(visit, QStringLiteral("1"), QString(), QString(),
                          log_lines(first, qMin(100000, archived - first)), added);
        }
    }
    qputenv("DORVAK_HISTORY", path.toUtf8());
    DORVAK_Admin w;
    w.findChild<QComboBox *>(QStringLiteral("history_controller_combo"))
        ->addItem(QStringLiteral("1"), QStringLiteral("1"));
    out << "history: archive of " << archived << " events\n";
    auto *finder = w.findChild<QLineEdit *>(QStringLiteral("log_filter_edit"));
    auto *shown = w.findChild<QTableView *>(QStringLiteral("log_table"))->model();
    QElapsedTimer clock;
    clock.start();
    w.findChild<QPushButton *>(QStringLiteral("log_archive_btn"))->click();
    out << "history: archive view opens (" << shown->rowCount()
        << " events shown): " << clock.elapsed() << " ms\n";
    // The rest comes in while the window goes on answering: the longest
    // time between two turns of the event loop, and a keystroke meanwhile.
    qint64 longest = 0;
    qint64 typed = -1;
    QElapsedTimer turn;
    turn.start();
    auto *status = w.findChild<QStatusBar *>();
    while (!status->currentMessage().startsWith(QStringLiteral("Archivo del controlador"))) {
        QCoreApplication::processEvents();
        longest = qMax(longest, turn.restart());
        if (typed < 0 && shown->rowCount() > archived / 2) {
            typed = slowest_keystroke(finder, QStringLiteral("2"));
            finder->clear();
            turn.restart();
        }
    }
    out << "history: whole archive in: " << clock.elapsed() << " ms, longest wait of the window "
        << longest << " ms, a keystroke meanwhile " << typed << " ms\n";
    const QString text = QStringLiteral("2020-03-1");
    const qint64 slowest = slowest_keystroke(finder, text);
    out << "history: archive finder, slowest keystroke of \"2020-03-1\": " << slowest << " ms\n";
    out.flush();
    qputenv("DORVAK_HISTORY", "off");
}
