#ifndef LOG_LINES_H
#define LOG_LINES_H

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

struct UserRecord;

// One event of the controller's log, as a line "XX code user asoc date time"
// carries it.
struct LogRecord
{
    QString fecha;    // date and time joined by one blank, folded
    int accion = 0;   // event code
    int usuario = 0;  // id of the user who caused the event
    int asociado = 0; // id of the user the event was about
    // How many of the six fields the line carried, the "XX" marker included.
    // A cut-off line names no user where its id field is missing, rather
    // than the id 0 (which the root answers to after start-up).
    int campos = 0;

    bool has_usuario() const { return campos >= 3; }
    bool has_asociado() const { return campos >= 4; }
};

// Whether a received line is a log line at all: it starts with "XX ".
bool is_log_line(const QString &line);

// Decodes a line for which is_log_line holds. Fields are split at every
// single blank, so two blanks make an empty field (which reads as 0); the
// line terminator is not part of any field; anything past the sixth field
// is ignored.
LogRecord decode_log_line(const QString &line);

// The "Accion" text of an event code; empty for codes without one. The
// texts of codes 1 to 8 end in one blank and those of 10 to 12 do not; the
// blank belongs to the text, in the table and in the exported file.
QString event_text(int code);

// The six cells the table shows for an event, in its column order: date,
// user, number, event, associate, associate's number. The users are named
// by `find` (null: nobody of that id): an id without a user gets "????" and
// no number, so that no placeholder passes for one.
class LogNamer
{
public:
    using Find = std::function<const UserRecord *(int id)>;
    explicit LogNamer(Find find) : find(std::move(find)) { }

    std::array<QString, 6> cells(const LogRecord &r);

private:
    Find find;
    // The few texts of events, made once rather than once per event.
    QHash<int, QString> events;
};

// The event-log CSV file: its header line and one line per table row, each
// cell followed by " ; ", in the local 8-bit encoding, line feeds only.
QByteArray log_csv_header();
QByteArray log_csv_line(const QStringList &cells);

#endif
