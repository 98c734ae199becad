// The bulk test-user generator: its numbers, its records on the wire, a
// closed port and a line that goes away in the middle of a run.
#include "log_capture.h"
#include "modal_answerer.h"
#include "probe.h"
#include "pty_pair.h"
#include "test_users.h"
#include "user_row.h"

#include <QHash>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTest>

#include <unistd.h>

namespace {

// A controller that keeps every uploaded record under its id plus
// `offset`, answers "## OK", and gives the kept record back to UD_NUM. It
// goes away at the upload after the first `hang_after` (0: never).
class Recorder : public QObject
{
public:
    Recorder(const QByteArray &next, int offset, int hang_after)
        : next(next), offset(offset), hang_after(hang_after)
    {
        connect(&notifier, &QSocketNotifier::activated, this, &Recorder::read);
    }

    QString port() const { return pty.slave_path(); }
    QStringList uploads;

private:
    void read()
    {
        char buf[4096];
        const ssize_t n = ::read(pty.master(), buf, sizeof buf);
        input.append(buf, int(qMax<ssize_t>(n, 0)));
        for (int end; (end = input.indexOf('\n')) >= 0; input.remove(0, end + 1))
            answer(QString::fromLatin1(input.left(end)));
    }

    void answer(const QString &line)
    {
        static const QRegularExpression upload(
            QStringLiteral("^ UU (\\d+) (\\d) \"([^\"]*)\" (\\S+) (\\d+) 0 0 24 255$"));
        const QRegularExpressionMatch m = upload.match(line);
        if (line == QLatin1String("NEXT") && !next.isEmpty()) {
            pty.write(next + '\n');
        } else if (m.hasMatch() && hang_after > 0 && uploads.size() == hang_after) {
            notifier.setEnabled(false);
            pty.close_master();
        } else if (m.hasMatch()) {
            uploads << line;
            kept.insert(m.captured(4), QStringLiteral("## %1,%2,\"%3\",%4,%5,0,0,0,0,24,255\n")
                                           .arg(m.captured(1).toInt() + offset)
                                           .arg(m.captured(2), m.captured(3), m.captured(4),
                                                m.captured(5)));
            pty.write("## OK\n");
        } else if (line.startsWith(QLatin1String("UD_NUM "))) {
            pty.write(kept.value(line.mid(7), QStringLiteral("ERROR\n")).toLatin1());
        }
    }

    PtyPair pty;
    QSocketNotifier notifier{pty.master(), QSocketNotifier::Read};
    QByteArray input;
    QHash<QString, QString> kept;
    QByteArray next;
    int offset = 0;
    int hang_after = 0;
};

} // namespace

class TstGenerator : public QObject
{
    Q_OBJECT

private slots:
    void numbers_data();
    void numbers();
    void closed_port();
    void run_data();
    void run();
};

void TstGenerator::numbers_data()
{
    QTest::addColumn<int>("categoria");
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("numero");

    QTest::newRow("administrator 2") << 2 << 2 << "+56100000002";
    QTest::newRow("user 7") << 1 << 7 << "+56200000007";
    QTest::newRow("twelve already") << 0 << 12345 << "+56200012345";
    QTest::newRow("longer stays") << 1 << 123456789 << "+562000123456789";
}

void TstGenerator::numbers()
{
    QFETCH(int, categoria);
    QFETCH(int, id);
    QFETCH(QString, numero);
    QCOMPARE(test_user_number(categoria, id), numero);
}

void TstGenerator::closed_port()
{
    ModalAnswerer answerer;
    DORVAK_Admin w;
    QVERIFY(TestProbe(w).invoke("add_5000"));
    QCOMPARE(answerer.texts(), QStringList{"El puerto está cerrado"});
    QCOMPARE(TestProbe(w).gen_count(), 0);
}

void TstGenerator::run_data()
{
    QTest::addColumn<QByteArray>("next");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("hang_after");
    QTest::addColumn<QStringList>("first");

    QTest::newRow("NEXT 100, whole run") << QByteArray("100") << 0 << 0
        << QStringList{" UU 101 1 \"Admin test\" +56100000101 100 0 0 24 255",
                       " UU 103 2 \"USER 103\" +56200000103 101 0 0 24 255",
                       " UU 105 3 \"GUEST 105\" +56200000105 103 0 0 24 255"};
    // Right after start-up the root has taken 0.
    QTest::newRow("no answer to NEXT") << QByteArray() << 0 << 3
        << QStringList{" UU 2 1 \"Admin test\" +56100000002 1 0 0 24 255",
                       " UU 4 2 \"USER 4\" +56200000004 2 0 0 24 255",
                       " UU 6 3 \"GUEST 6\" +56200000006 4 0 0 24 255"};
    // Owners are named by the ids the controller kept; later ids start
    // above them.
    QTest::newRow("controller renumbers") << QByteArray("100") << 1000 << 3
        << QStringList{" UU 101 1 \"Admin test\" +56100000101 100 0 0 24 255",
                       " UU 1103 2 \"USER 1103\" +56200001103 1101 0 0 24 255",
                       " UU 2105 3 \"GUEST 2105\" +56200002105 2103 0 0 24 255"};
}

void TstGenerator::run()
{
    QFETCH(QByteArray, next);
    QFETCH(int, offset);
    QFETCH(int, hang_after);
    QFETCH(QStringList, first);

    Recorder controller(next, offset, hang_after);
    LogCapture log;
    ModalAnswerer answerer;
    DORVAK_Admin w;
    TestProbe probe(w);
    w.choose_port(controller.port());
    w.findChild<QPushButton *>(QStringLiteral("connect_btn"))->click();
    auto *bar = w.findChild<QProgressBar *>(QStringLiteral("progress"));
    QSignalSpy values(bar, &QProgressBar::valueChanged);
    QVERIFY(probe.invoke("add_5000"));

    QCOMPARE(controller.uploads.mid(0, 3), first);
    if (hang_after == 0) {
        QCOMPARE(controller.uploads.size(), 511);
        QCOMPARE(controller.uploads.last(),
                 QStringLiteral(" UU 1121 3 \"GUEST 1121\" +56200001121 1021 0 0 24 255"));
        QCOMPARE(UserRow::id_siguiente, 1122);
        // Each user is followed by its fifty visitors.
        for (int i = 1; i < 511; ++i) {
            const bool user = (i - 1) % 51 == 0;
            QVERIFY(controller.uploads.at(i).startsWith(
                QStringLiteral(" UU %1 %2 ").arg(101 + 2 * i).arg(user ? 2 : 3)));
            const int owner = user ? 101 : 101 + 2 * (i - (i - 1) % 51);
            QVERIFY(controller.uploads.at(i).endsWith(QStringLiteral(" %1 0 0 24 255").arg(owner)));
        }
        int highest = 0;
        for (const QList<QVariant> &v : qAsConst(values))
            highest = qMax(highest, v.first().toInt());
        QCOMPARE(highest, 100);
        QCOMPARE(log.starting(QStringLiteral("Grabando admin ")),
                 QStringList{"Grabando admin  \"Admin test\"  num  \"+56100000101\""});
        QCOMPARE(log.starting(QStringLiteral("Grabando guest ")).size(), 500);
        QVERIFY(answerer.seen().isEmpty());
    } else {
        // The run stopped where the line went, without a closed-port
        // message for each record left.
        QCOMPARE(controller.uploads.size(), hang_after);
        QCOMPARE(answerer.seen().size(), 1);
        QCOMPARE(answerer.seen().first().title, QStringLiteral("Critical Error"));
    }
    QCOMPARE(probe.gen_count(), hang_after ? hang_after + 1 : 511);
    QCOMPARE(bar->value(), 0);
    QCOMPARE(bar->format(), QString());
    QVERIFY(probe.show_progress());
    QCOMPARE(probe.root()->childCount(), 0);
}

QTEST_MAIN(TstGenerator)
#include "tst_generator.moc"
