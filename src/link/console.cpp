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
    append_at_end(QString::fromUtf8(data.constData(),
                                    static_cast<int>(qstrnlen(data.constData(), data.size()))));
}

void Console::append_at_end(const QString &text)
{
    // Through a cursor of its own: the user's selection stays as it is, and
    // a view scrolled up to read an earlier answer is not pulled away.
    QScrollBar *bar = verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(text);
    if (following)
        bar->setValue(bar->maximum());
}

void Console::setLocalEcho(bool set)
{
    local_echo = set;
}

void Console::retype(const QString &text)
{
    QByteArray bytes(typed.size(), '\b');
    // The typed characters are on screen only while nothing arrived after
    // them.
    if (toPlainText().endsWith(typed)) {
        QTextCursor end(document());
        end.movePosition(QTextCursor::End);
        end.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor, typed.size());
        end.removeSelectedText();
    }
    typed = text;
    append_at_end(text);
    bytes += text.toLocal8Bit();
    if (!bytes.isEmpty())
        emit getData(bytes);
}

void Console::recall(int step)
{
    const int to = qBound(0, recalled + step, history.size());
    if (to == recalled)
        return;
    recalled = to;
    retype(recalled < history.size() ? history.at(recalled) : QString());
}

void Console::keyPressEvent(QKeyEvent *e)
{
    switch (e->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        return;
    case Qt::Key_Backspace:
        if (!typed.isEmpty())
            retype(typed.chopped(1));
        return;
    case Qt::Key_Up:
        recall(-1);
        return;
    case Qt::Key_Down:
        recall(1);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!typed.isEmpty() && (history.isEmpty() || history.last() != typed))
            history << typed;
        recalled = history.size();
        typed.clear();
        append_at_end(QStringLiteral("\n"));
        emit getData("\r");
        return;
    default:
        // Copying a selection and the like; the text itself is read-only.
        if (local_echo)
            QPlainTextEdit::keyPressEvent(e);
        const QString text = e->text();
        if (!text.isEmpty() && text.at(0).isPrint()) {
            typed += text;
            append_at_end(text);
        }
        emit getData(text.toLocal8Bit());
    }
}
