#ifndef FAKE_CONTROLLER_H
#define FAKE_CONTROLLER_H

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>

#include <algorithm>

class QSocketNotifier;
class QTimer;

// Plays the controller on the master side of a pseudo-terminal in raw mode
// (the tool opens port() as its serial port), inside the
// test process: every command line the tool writes is recorded, and a
// scripted answer is written back, at once, after a delay, at a given line
// rate, or not at all. It runs on the test's event loop, which the tool's
// exchange keeps turning while it waits.
class FakeController : public QObject
{
    Q_OBJECT

public:
    explicit FakeController(QObject *parent = nullptr);
    ~FakeController() override;

    QString port() const { return path; }
    bool ok() const { return master >= 0; }

    // Answer `command` (the line without its terminator) with `bytes`,
    // written as given (include each line's "\n" or "\r\n").
    void on(const QByteArray &command, const QByteArray &bytes, int delay_ms = 0);
    // Keeps a user database, as the controller does, from these "## " lines:
    // TOT_USERS, LU, NEXT, UU, UD_NUM, BU and GET_PARS not scripted with
    // on() are answered from it. Users are matched by number; an upload
    // naming `refused` is answered "ERROR nombre"; the parameters name the
    // equipment `identity`.
    void keep_database(const QList<QByteArray> &records, const QByteArray &refused = "-",
                       const QByteArray &identity = "100");
    // A whole GET_PARS answer naming the equipment `identity`.
    static QByteArray params(const QByteArray &identity);
    // "id/owner/name/number" of every user, sorted.
    QStringList database() const;

    // Pace every answer at this many bytes a second (0: all at once).
    void set_pace(int bytes_per_second) { pace = bytes_per_second; }

    // Writes bytes now, unasked.
    void send(const QByteArray &bytes);
    void hang_up();

    // Every byte received so far, and the complete lines among them (without
    // their terminators).
    QByteArray received() const { return input; }
    QList<QByteArray> lines() const
    {
        QList<QByteArray> all = input.left(scanned).split('\n');
        all.removeLast(); // what follows the last line feed
        return all;
    }
    int count(const QByteArray &command) const
    {
        const auto all = lines();
        return int(std::count_if(all.begin(), all.end(), [&](const QByteArray &line) {
            return line.trimmed() == command;
        }));
    }

signals:
    // A command line arrived (without its terminator), before its answer
    // goes out.
    void received_line(const QByteArray &command);

private:
    void read_input();
    void answer(const QByteArray &bytes);
    void write_paced();
    QByteArray from_database(const QByteArray &command);
    QByteArray equipment;

    struct User
    {
        int id = 0;
        int owner = 0;
        QByteArray code, name, number, hours;
    };
    QList<User> users;
    QByteArray refused_name;
    bool keeps = false;

    struct Reply
    {
        QByteArray bytes;
        int delay_ms = 0;
    };

    int master = -1;
    int slave = -1;
    QString path;
    QSocketNotifier *notifier = nullptr;
    QTimer *pacer = nullptr;
    QHash<QByteArray, Reply> script;
    QByteArray input;
    int scanned = 0;
    QByteArray outgoing;
    int pace = 0;
};

#endif
