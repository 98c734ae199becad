#include "console.h"

#include <QScrollBar>
#include <QTextCursor>

Console::Console(QWidget *parent) : QPlainTextEdit(parent)
{
    document()->setMaximumBlockCount(-1);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::black);
    p.setColor(QPalette::Text, Qt::green);
    setPalette(p);
    setFont(QFont(QStringLiteral("Lucida Sans Typewriter"), 8));
}

void Console::putData(const QByteArray &data)
{
    // Incoming text goes to the end, through a cursor of its own: the
    // user's selection stays as it is, and a view scrolled up to read an
    // earlier answer is not pulled away.
    QScrollBar *bar = verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(QString::fromUtf8(data.constData(),
                                     static_cast<int>(qstrnlen(data.constData(), data.size()))));
    if (following)
        bar->setValue(bar->maximum());
}

void Console::setLocalEcho(bool set)
{
    local_echo = set;
}

void Console::keyPressEvent(QKeyEvent *e)
{
    switch (e->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        // The typed line is sent as typed; there is no line editing.
        return;
    default:
        if (local_echo)
            QPlainTextEdit::keyPressEvent(e);
        emit getData(e->text().toLocal8Bit());
    }
}
