#ifndef PTY_PAIR_H
#define PTY_PAIR_H

#include <QByteArray>
#include <QString>

// A pseudo-terminal pair in raw mode: the tool opens the slave path as its
// serial port, the test plays the controller on the master.
class PtyPair
{
public:
    PtyPair();
    ~PtyPair();

    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool ok() const { return master_fd >= 0; }
    int master() const { return master_fd; }
    QString slave_path() const { return path; }

    void write(const QByteArray &bytes);
    // The far end goes away, as an unplugged controller.
    void close_master();

private:
    int master_fd = -1;
    int slave_fd = -1;
    QString path;
};

#endif
