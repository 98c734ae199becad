// The real dorvak-sim executable on its pseudo-terminal, reached with plain
// POSIX calls the way any serial client would.

#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

// Sends one command line and returns the next answer line, without its LF.
std::string ask(int fd, const std::string &command)
{
    std::string line = command + "\n";
    if (write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
        return "<write failed>";
    line.clear();
    char c = 0;
    for (pollfd p{fd, POLLIN, 0}; poll(&p, 1, 3000) > 0 && read(fd, &c, 1) == 1 && c != '\n';)
        line.push_back(c);
    return line;
}

} // namespace

class TstSimProcess : public QObject
{
    Q_OBJECT

private slots:
    void lifecycle_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("eol");
        // clang-format off
        QTest::newRow("unpaced") << QStringList{"--baud", "0"} << "";
        QTest::newRow("paced crlf") << QStringList{"--crlf"} << "\r";
        QTest::newRow("delayed") << QStringList{"--baud", "0", "--delay", "200"} << "";
        // clang-format on
    }
    // The first output line names a pty that answers; an answer cut short by a
    // hang-up is not handed to the next opener; SIGTERM takes the link away.
    void lifecycle()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, eol);
        QTemporaryDir dir;
        const QString link = dir.filePath("dorvak");
        QProcess sim;
        sim.start(DORVAK_SIM_PATH, args + QStringList{"-v", "--users", "12", "--link", link});
        QTRY_VERIFY(sim.canReadLine());
        const QByteArray path = sim.readLine().trimmed();
        QByteArray trace;
        for (int round = 0; round < 2; ++round) {
            // The first round goes through the device named first, the second through the link.
            const int fd = open(round ? QFile::encodeName(link).constData() : path.constData(),
                                O_RDWR | O_NOCTTY);
            QCOMPARE(ask(fd, "TOT_USERS"), "12" + eol.toStdString());
            QVERIFY(write(fd, "PRINTDB\n", 8) == 8);
            close(fd);
            QTRY_COMPARE((trace += sim.readAllStandardError()).count("line closed"), round + 1);
        }
        ::kill(static_cast<pid_t>(sim.processId()), SIGTERM);
        QVERIFY(sim.waitForFinished(3000) && sim.exitStatus() == QProcess::NormalExit
                && sim.exitCode() == 0);
        QVERIFY(!QFileInfo(link).isSymLink());
    }
};

QTEST_GUILESS_MAIN(TstSimProcess)
#include "tst_sim_process.moc"
