#ifndef CONSOLE_H
#define CONSOLE_H

#include <QPlainTextEdit>

// The terminal view of the serial line: shows what goes out and what comes
// back, and turns key presses into bytes for the port.
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
    bool local_echo = false;
};

#endif
