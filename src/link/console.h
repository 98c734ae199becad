#ifndef CONSOLE_H
#define CONSOLE_H

#include <QPlainTextEdit>
#include <QStringList>

// The terminal view of the serial line: shows what goes out and what comes
// back, and turns key presses into bytes for the port. The line being typed
// is shown at the end as it is typed; Backspace takes back its last
// character and Up and Down bring back earlier lines, each change going out
// as bytes too ("\b" for a character taken back), so that whoever collects
// the bytes holds the same line.
class Console : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit Console(QWidget *parent = nullptr);

    void putData(const QByteArray &data);
    void setLocalEcho(bool set);

signals:
    void getData(const QByteArray &data);

protected:
    void keyPressEvent(QKeyEvent *e) override;

private:
    // Appends to the end of the text, following the end only when the view
    // was there already.
    void append_at_end(const QString &text);
    // Replaces the line being typed by `text`, on screen and on the wire.
    void retype(const QString &text);
    void recall(int step);

    bool local_echo = false;
    QString typed;
    QStringList history;
    // Where Up and Down are in the history; history.size() is the line
    // being typed.
    int recalled = 0;
};

#endif
