#ifndef CONSOLE_H
#define CONSOLE_H

#include <QPlainTextEdit>
#include <QStringList>

class QTimer;

// The terminal view of the serial line: shows what goes out and what comes
// back, and turns key presses into bytes for the port. The line being typed
// is shown at the end as it is typed; Backspace takes back its last
// character, Up and Down bring back earlier lines and Tab completes the name
// of a controller command, each change going out as bytes too ("\b" for a
// character taken back), so that whoever collects the bytes holds the same
// line.
//
// Lines that went out are marked "--> " and coloured apart from what the
// controller sent; notes of the tool's own are marked "-- ". The view
// follows new output unless the user has scrolled up, and follows again
// once scrolled back to the end. It keeps the last line_limit() lines: the
// oldest go as new ones come.
class Console : public QPlainTextEdit
{
    Q_OBJECT

public:
    static constexpr int default_line_limit = 20000;

    explicit Console(QWidget *parent = nullptr);

    // What the controller sent.
    void putData(const QByteArray &data);
    // A line that went out to the controller.
    void show_sent(const QString &line);
    // A typed line that waits until the running command has its answer.
    void show_held(const QString &line);
    // An explanation of the tool's own, on a line of its own.
    void note(const QString &text);
    void setLocalEcho(bool set);
    // Each line begins with the time it began to be shown.
    void set_timestamps(bool on) { timestamps = on; }
    bool following() const { return follow; }
    int line_limit() const { return limit; }
    // Keeps at most `lines` whole lines besides the one being written;
    // more than that are dropped at once, the oldest first.
    void set_line_limit(int lines);
    // Writes what the console holds to a file; false when it cannot.
    bool save_to(const QString &file_name) const;

signals:
    void getData(const QByteArray &data);
    // Escape, which stops the running operation as anywhere in the window.
    void escaped();
    // "?" typed alone and Enter: the list of the controller's commands,
    // instead of a line to the controller.
    void commands_wanted();

protected:
    void keyPressEvent(QKeyEvent *e) override;
    void showEvent(QShowEvent *e) override;
    // Tab completes a command's name instead of leaving the console.
    bool focusNextPrevChild(bool next) override;

private:
    enum Kind { received, outgoing, remark, typing };
    class Change;
    class Layout;
    // Appends to the end of the text in the colour of its kind, without
    // touching the user's selection.
    void append_at_end(const QString &text, Kind kind = received);
    void append_line(const QString &text, Kind kind);
    // Replaces the line being typed by `text`, on screen and on the wire.
    void retype(const QString &text);
    // Takes the line being typed off the screen, if it is still at the end.
    void unshow_typed();
    void recall(int step);
    void complete();
    // A burst of lines is shown once it is over: the view gets the text's
    // new extent, follows it and repaints once.
    void settle_soon();
    void settle();

    Layout *layout = nullptr;
    QTimer *settle_timer = nullptr;
    bool local_echo = false;
    bool timestamps = false;
    bool follow = true;
    bool inserting = false;
    int limit = default_line_limit;
    // Nesting of the changes under way, and the lines they began.
    int changing = 0;
    int lines_begun = 0;
    QString typed;
    QStringList history;
    // Where Up and Down are in the history; history.size() is the line
    // being typed.
    int recalled = 0;
};

#endif
