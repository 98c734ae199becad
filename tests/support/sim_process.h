#ifndef SIM_PROCESS_H
#define SIM_PROCESS_H

#include <QProcess>
#include <QStringList>

// The real controller simulator, started as a separate process on a fresh
// pseudo-terminal. The end-to-end tests connect the window to port() and
// check the simulator's database afterwards with query().
class SimProcess
{
public:
    // Extra arguments for dorvak-sim; "--baud 0" is added unless the
    // arguments name a rate, so that the tests run at full speed.
    explicit SimProcess(const QStringList &args = QStringList());
    ~SimProcess();

    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    bool ok() const { return !device.isEmpty(); }
    QString port() const { return device; }

    // Sends one command line on the simulator's line and returns the answer
    // lines (terminators removed), collected until the answer is over (or
    // the line has been quiet for `quiet_ms`). The window must not hold the
    // port open meanwhile, since it would read the answer itself.
    QStringList query(const QString &command, int quiet_ms = 300) const;
    // The same with the bytes as they go and come, whatever their encoding.
    QList<QByteArray> query_raw(const QByteArray &command, int quiet_ms = 300) const;

    // The simulator goes away, as an unplugged controller.
    void kill();

private:
    QProcess process;
    QString device;
};

#endif
