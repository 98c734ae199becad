// The bulk test-user generator: numbers, the records on the wire with and
// without an answer to NEXT, a controller that renumbers, a closed port and
// a line that goes away in the middle of a run.
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
#include <QTreeWidget>

#include <unistd.h>

namespace {

// A controller that stores every uploaded record, under its id plus
// `offset`, answers "## OK" and returns the stored record to UD_NUM. It goes
// away at the upload that follows the first `hang_after` ones (0: never).
class Recorder : public QObject
{
public:
    Recorder(const QByteArray &next, int offset, int hang_after)
        : next(next), offset(offset), hang_after(hang_after)
    {
        notifier = new QSocketNotifier(pty.master(), QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, &Recorder::read);
    }

    QString port() const { return pty.slave_path(); }
    QStringList uploads;

private:
    void read()
    {
        char buf[4096];
        const ssize_t n = ::read(pty.master(), buf, sizeof buf);
        if (n <= 0)
            return;
        input.append(buf, int(n));
        int end;
        while ((end = input.indexOf('\n')) >= 0) {
            const QString line = QString::fromLocal8Bit(input.left(end));
            input.remove(0, end + 1);
            answer(line);
        }
    }

    void answer(const QString &line)
    {
        static const QRegularExpression upload(
            QStringLiteral("^ UU (\\d+) (\\d) \"([^\"]*)\" (\\S+) (\\d+) 0 0 24 255$"));
        if (line == QLatin1String("NEXT") && !next.isEmpty()) {
            pty.write(next + '\n');
        } else if (line.startsWith(QLatin1String(" UU "))) {
            if (hang_after > 0 && uploads.size() == hang_after) {
                notifier->setEnabled(false);
                pty.close_master();
                return;
            }
            uploads << line;
            const QRegularExpressionMatch m = upload.match(line);
            if (m.hasMatch())
                stored.insert(m.captured(4), QStringLiteral("## %1,%2,\"%3\",%4,%5,0,0,0,0,24,255\n")
                                                 .arg(m.captured(1).toInt() + offset)
                                                 .arg(m.captured(2), m.captured(3), m.captured(4), m.captured(5)));
            pty.write("## OK\n");
        } else if (line.startsWith(QLatin1String("UD_NUM "))) {
            pty.write(stored.value(line.mid(7), QStringLiteral("ERROR no existe\n")).toLocal8Bit());
        }
    }

    PtyPair pty;
    QSocketNotifier *notifier = nullptr;
    QByteArray input;
    QHash<QString, QString> stored;
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

    QTest::newRow("administrator 101") << 2 << 101 << "+56100000101";
    QTest::newRow("administrator 2") << 2 << 2 << "+56100000002";
    QTest::newRow("user 7") << 1 << 7 << "+56200000007";
    QTest::newRow("visitor 1121") << 0 << 1121 << "+56200001121";
    QTest::newRow("twelve already") << 0 << 12345 << "+56200012345";
    QTest::newRow("longer stays") << 2 << 1234567 << "+561001234567";
    QTest::newRow("much longer stays") << 1 << 123456789 << "+562000123456789";
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
    TestProbe probe(w);
    QVERIFY(probe.invoke("add_5000"));
    QCOMPARE(answerer.texts(), QStringList{"El puerto está cerrado"});
    QCOMPARE(probe.gen_count(), 0);
    QCOMPARE(UserRow::id_siguiente, 1);
    QVERIFY(probe.show_progress());
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
    QVERIFY(probe.serial()->isOpen());
    auto *bar = w.findChild<QProgressBar *>(QStringLiteral("progress"));
    QSignalSpy values(bar, &QProgressBar::valueChanged);
    QVERIFY(probe.invoke("add_5000"));

    QCOMPARE(controller.uploads.mid(0, 3), first);
    if (hang_after == 0) {
        QCOMPARE(controller.uploads.size(), 511);
        QCOMPARE(probe.gen_count(), 511);
        QVERIFY(controller.uploads.last().startsWith(QStringLiteral(" UU 1121 3 \"GUEST 1121\" +56200001121 ")));
        QCOMPARE(UserRow::id_siguiente, 1122);
        // Depth first: each user, then its fifty visitors under it.
        const QRegularExpression owner(QStringLiteral("^ UU (\\d+) (\\d) .* (\\d+) 0 0 24 255$"));
        int user = 0;
        for (int i = 1; i < 511; ++i) {
            const QRegularExpressionMatch m = owner.match(controller.uploads.at(i));
            QVERIFY(m.hasMatch());
            QCOMPARE(m.captured(2), (i - 1) % 51 == 0 ? QStringLiteral("2") : QStringLiteral("3"));
            QCOMPARE(m.captured(3).toInt(), (i - 1) % 51 == 0 ? 101 : user);
            if ((i - 1) % 51 == 0)
                user = m.captured(1).toInt();
        }
        int highest = 0;
        for (const QList<QVariant> &v : qAsConst(values))
            highest = qMax(highest, v.first().toInt());
        QCOMPARE(highest, 100);
        QCOMPARE(log.starting(QStringLiteral("Grabando admin ")),
                 QStringList{"Grabando admin  \"Admin test\"  num  \"+56100000101\""});
        QCOMPARE(log.starting(QStringLiteral("Grabando user ")).size(), 10);
        QCOMPARE(log.starting(QStringLiteral("Grabando guest ")).size(), 500);
        QVERIFY(answerer.seen().isEmpty());
    } else {
        // The line went at the next upload: the run stopped there, with no
        // message about the closed port.
        QCOMPARE(controller.uploads.size(), hang_after);
        QCOMPARE(probe.gen_count(), hang_after + 1);
        QCOMPARE(answerer.seen().size(), 1);
        QCOMPARE(answerer.seen().first().title, QStringLiteral("Critical Error"));
    }
    QCOMPARE(bar->value(), 0);
    QCOMPARE(bar->format(), QString());
    QVERIFY(probe.show_progress());
    QCOMPARE(probe.root()->childCount(), 0);
    QVERIFY(!probe.operation_running());
}

QTEST_MAIN(TstGenerator)
#include "tst_generator.moc"
