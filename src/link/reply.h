#ifndef REPLY_H
#define REPLY_H

#include <QString>
#include <QStringList>

#include <optional>

// How one command exchange ended, and the lines of its answer.
struct Reply
{
    enum End {
        answered,    // the awaited lines came in
        timed_out,   // the controller fell silent before they did
        stopped,     // the user stopped the operation
        line_lost,   // the line went away during the exchange
        port_closed, // the port was not open: nothing went out
    };
    End end = port_closed;
    // Whether the command reached the line: not on a closed port, nor when
    // the stop or the loss came while it waited for a quiet line.
    bool sent = false;
    // The answer's lines in arrival order, terminators included: those that
    // came before the awaited ones were in and during the pause after them.
    QStringList lines;

    bool ok() const { return end == answered; }
    // The controller was heard or merely silent: the operation may go on
    // asking it.
    bool line_usable() const { return end == answered || end == timed_out; }
};

// Which answer lines count towards the awaited number. A marker is given as
// its text ("##"); without one every line counts.
class Counted
{
public:
    Counted() = default;
    // Implicit, so that an exchange can be given its marker as a plain text.
    Counted(const QString &marker) : prefix(marker) { }
    // Only lines that are a decimal number: a count's answer.
    static Counted numbers();
    // Only lines that pass `is`: a listing's records among status lines
    // that begin the same way ("## OK").
    static Counted lines_that(bool (*is)(const QString &line));

    bool counts(const QString &line) const;

private:
    QString prefix;
    bool number = false;
    bool (*passes)(const QString &line) = nullptr;
};

// Whether a received line is a decimal number and nothing else.
bool is_count_line(const QString &line);

// The number a count command (TOT_USERS, TOTAL_LOG, NEXT) answered: the
// first line that is a decimal number, the controller's own lines around it
// skipped. Nothing when no line is a number or two numbers disagree.
std::optional<int> read_count(const QStringList &lines);

// What a synchronisation did with `total` records waiting: confirmed by the
// controller, refused by it, sent with their confirmation cut short by a stop
// or a lost line (the controller may hold them; they stay pending), held
// back because the controller does not hold their owner, and the rest not
// sent at all.
QString sync_summary(int total, int confirmed, int failed, int unconfirmed, int waiting = 0);

#endif
