// The real dorvak-sim executable on its pseudo-terminal, reached with plain
// POSIX calls the way any serial client would.

#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Reads one line (without LF) from fd, or returns "<timeout>".
std::string readLine(int fd, int timeoutMs = 3000)
{
    std::string line;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0)
            continue;
        char c = 0;
        if (read(fd, &c, 1) != 1)
            continue;
        if (c == '\n')
            return line;
        line.push_back(c);
    }
    return "<timeout>";
}

std::string ask(int fd, const std::string& command)
{
    const std::string out = command + "\n";
    if (write(fd, out.data(), out.size()) != static_cast<ssize_t>(out.size()))
        return "<write failed>";
    return readLine(fd);
}

struct Sim {
    QProcess proc;
    std::string path;

    bool start(const QStringList& args)
    {
        proc.start(QStringLiteral(DORVAK_SIM_PATH), args);
        if (!proc.waitForStarted(3000))
            return false;
        while (!proc.canReadLine() && proc.waitForReadyRead(3000)) {
        }
        path = proc.readLine().trimmed().toStdString();
        return !path.empty();
    }
    ~Sim()
    {
        if (proc.state() != QProcess::NotRunning) {
            proc.kill();
            proc.waitForFinished(3000);
        }
    }
};

}  // namespace

class TstSimProcess : public QObject {
    Q_OBJECT

private slots:
    void answersOnPty_data();
    void answersOnPty();
    void reconnect();
    void sigtermRemovesLink();
    void hangupAfter();
};

void TstSimProcess::answersOnPty_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("terminator");

    QTest::newRow("unpaced") << QStringList{"--baud", "0"} << "";
    QTest::newRow("paced crlf") << QStringList{"--crlf"} << "\r";
    QTest::newRow("delayed") << QStringList{"--baud", "0", "--delay", "200"} << "";
}

void TstSimProcess::answersOnPty()
{
    QFETCH(QStringList, args);
    QFETCH(QString, terminator);
    Sim sim;
    QVERIFY(sim.start(args + QStringList{"--users", "12"}));
    const int fd = open(sim.path.c_str(), O_RDWR | O_NOCTTY);
    QVERIFY2(fd >= 0, sim.path.c_str());
    QCOMPARE(ask(fd, "TOT_USERS"), "12" + terminator.toStdString());
    close(fd);
}

void TstSimProcess::reconnect()
{
    Sim sim;
    QVERIFY(sim.start({"--baud", "0", "--users", "7"}));
    for (int round = 0; round < 3; ++round) {
        const int fd = open(sim.path.c_str(), O_RDWR | O_NOCTTY);
        QVERIFY(fd >= 0);
        // Closing in the middle of a long answer must not leave stale lines.
        if (round == 1)
            (void)!write(fd, "PRINTDB\n", 8);
        else
            QCOMPARE(ask(fd, "TOT_USERS"), std::string("7"));
        close(fd);
        QTest::qWait(150);
    }
    const int fd = open(sim.path.c_str(), O_RDWR | O_NOCTTY);
    QCOMPARE(ask(fd, "NEXT").find_first_not_of("0123456789"), std::string::npos);
    close(fd);
    QCOMPARE(sim.proc.state(), QProcess::Running);
}

void TstSimProcess::sigtermRemovesLink()
{
    QTemporaryDir dir;
    const std::string link = dir.filePath("dorvak").toStdString();
    Sim sim;
    QVERIFY(sim.start({"--baud", "0", "--link", QString::fromStdString(link)}));
    char target[256] = {};
    QVERIFY(readlink(link.c_str(), target, sizeof target - 1) > 0);
    QCOMPARE(std::string(target), sim.path);

    ::kill(static_cast<pid_t>(sim.proc.processId()), SIGTERM);
    QVERIFY(sim.proc.waitForFinished(3000));
    QCOMPARE(sim.proc.exitCode(), 0);
    struct stat st {};
    QVERIFY(lstat(link.c_str(), &st) != 0);
}

void TstSimProcess::hangupAfter()
{
    Sim sim;
    QVERIFY(sim.start({"--baud", "0", "--hangup-after", "2"}));
    const int fd = open(sim.path.c_str(), O_RDWR | O_NOCTTY);
    QVERIFY(fd >= 0);
    QVERIFY(ask(fd, "NEXT") != "<timeout>");
    QVERIFY(ask(fd, "FOO").rfind("ERROR", 0) == 0);
    QVERIFY(sim.proc.waitForFinished(3000));
    close(fd);
}

QTEST_GUILESS_MAIN(TstSimProcess)
#include "tst_sim_process.moc"
