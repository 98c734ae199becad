#ifndef SESSION_H
#define SESSION_H

#include "reply.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

class Line;
class QEventLoop;
class QIODevice;
class QTimer;

// Thrown by an exchange whose session was deleted while it waited (its owner
// went away): the operation unwinds to where it was started, touching
// nothing on the way.
struct SessionGone
{ };

// How long the session waits for what. Tests shorten them; the controller
// needs the defaults.
struct SessionTimings
{
    // A command goes out once the line has been quiet this long: the
    // controller answers one command after the other, so what still arrives
    // belongs to an earlier answer.
    int quiet_ms = 100;
    // A line that never falls quiet holds a command back at most this long
    // (a long listing at the line's pace takes seconds).
    int settle_limit_ms = 30000;
    // The pause the controller gets after each command; its late lines still
    // belong to the answer.
    int pause_ms = 100;
    // A command that awaits an answer waits at least this long for its first
    // line: a controller busy with its own work takes over a second to start.
    int first_line_ms = 3000;
    // What one second of a command's own time-out lasts.
    int second_ms = 1000;
    // A serial device server on the network gets this long to take the
    // connection, and then this long to answer the Telnet negotiation.
    int connect_ms = 5000;
    int negotiation_ms = 2000;
    // How often the path of a lost line is looked at for the adapter's
    // return.
    int watch_ms = 500;
    // While a long answer streams in, its lines are taken in this often
    // rather than as each one arrives.
    int batch_ms = 50;
};

// The session with one controller: it owns the line, opens and closes it,
// notices its loss, and runs the command exchange. Lines the user types go
// out at once when no command waits for its answer, and otherwise are held
// and go out in order once the answer is over.
//
// It tells what happens through signals; who listens (the window, the
// backup, a test) decides how to show it.
class Session : public QObject
{
    Q_OBJECT

public:
    explicit Session(QObject *parent = nullptr);
    ~Session() override;

    void set_timings(const SessionTimings &t) { timings = t; }
    const SessionTimings &timing() const { return timings; }

    // Opens the line to `port`; false when it cannot be opened, and then
    // open_error() says why in Spanish.
    bool open(const QString &port);
    // The open line goes; lines still held are dropped with a note.
    void close();
    bool is_open() const;
    // The port named at the last open, whether it opened or not.
    QString port() const { return port_name; }
    QString open_error() const { return open_failure; }
    // The line's device, for whoever must look at the line itself; null
    // before the first open.
    QIODevice *device() const;
    // "Conectado a /dev/ttyUSB0, 115200 8N1" while open.
    QString description() const;

    // Writes the command with a line feed and collects the answer lines
    // until `expected` lines are in or the controller has been silent too
    // long: `timeout_s` seconds between two lines (negative: the command
    // awaits nothing and only gets its pause), and at least first_line_ms
    // before the first line of a command that awaits an answer. With
    // `counted` given, only the lines it names count towards `expected`: a
    // controller may interleave status lines with its answers.
    //
    // The command goes out only once the line has fallen quiet. The wait
    // ends early when stop() is called or the line is lost; the reply says
    // how it ended. It waits on the line's own signals and a timer. Throws
    // SessionGone when the session is deleted meanwhile.
    Reply exchange(QString command, int expected, int timeout_s, const QString &label = QString(),
                   const Counted &counted = Counted());

    // A line the user typed, without its terminator.
    void type_line(const QString &line);

    // Ends the exchange under way, and marks the operation as stopped until
    // clear_stop().
    void stop();
    void clear_stop() { stop_asked = false; }
    bool stopped() const { return stop_asked; }
    bool busy() const { return exchanging; }
    // Set while an operation runs: lines that arrive between its commands
    // belong to no answer and are only shown.
    void set_operation_running(bool running) { in_operation = running; }
    // Whether exchanges report their progress (a long local operation may
    // keep the bar for its own).
    void set_progress_shown(bool shown) { progress_shown = shown; }
    bool shows_progress() const { return progress_shown; }

    // Tells the listeners that something needing the line found it closed.
    void refuse_closed() { emit port_closed(); }

    // The lines of the last answer, or of what arrived unasked since.
    const QStringList &lines() const { return resps; }
    // Whether the last exchange reached the line.
    bool last_sent() const { return was_sent; }

    // The number a count command (TOT_USERS, TOTAL_LOG, NEXT) answered. An
    // answer without one, or with two that disagree, is reported naming the
    // command.
    std::optional<int> count_in(const Reply &reply, const QString &command);

signals:
    // Bytes of lines from the controller, as they came (one line or a run).
    void line_shown(const QByteArray &raw);
    // A line that went out, as the console shows it.
    void command_sent(const QString &line);
    // A typed line that waits for the answer under way.
    void line_held(const QString &line);
    // A note of the tool's own for the console.
    void note(const QString &text);
    // An outcome the session itself knows ("Sin respuesta del controlador").
    void reported(const QString &text);
    // The answer's progress; 0 and an empty label when it is over.
    void progress(int percent, const QString &label);
    // The line went away; it is closed by now.
    void line_lost(const QString &why);
    // An exchange was asked for with the line closed.
    void port_closed();
    void connected(bool open);

private:
    struct Collecting;

    void read_unasked();
    bool collect();
    void heard();
    void send_typed(const QString &line);
    void send_held_lines();
    void lose(const QString &why);
    void wake();
    bool streaming() const;

    SessionTimings timings;
    std::unique_ptr<Line> line;
    QString port_name;
    QString open_failure;
    QStringList resps;
    QStringList held;
    QString partial_line;
    // When the last byte arrived; since a typed line went out with nothing
    // heard after it.
    QElapsedTimer last_rx;
    QElapsedTimer typed_out;
    // The wait of the exchange under way, woken by the line and the timer,
    // and what it collects as the lines arrive.
    QEventLoop *waiting = nullptr;
    Collecting *collecting = nullptr;
    QTimer *deadline = nullptr;
    QTimer *batch = nullptr;
    bool exchanging = false;
    bool stop_asked = false;
    bool in_operation = false;
    bool progress_shown = true;
    bool was_sent = false;
};

#endif
