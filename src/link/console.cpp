#include "console.h"

#include <QScrollBar>

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
    insertPlainText(QString::fromUtf8(data.constData(),
                                      static_cast<int>(qstrnlen(data.constData(), data.size()))));
    QScrollBar *bar = verticalScrollBar();
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
