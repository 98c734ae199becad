#include "console.h"

#include <QFile>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTime>

namespace {
QColor colour_of(int kind)
{
    switch (kind) {
    case 1:
        return QColor(255, 176, 0); // what went out: amber
    case 2:
        return QColor(150, 150, 150); // the tool's notes: grey
    default:
        return QColor(); // what the controller sent: the console's own colour
    }
}
} // namespace

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
    // Following is the user's choice, made by scrolling: a view that only
    // grew or shrank (a row added below it) keeps following.
    QScrollBar *bar = verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this, [this, bar](int value) {
        if (!inserting)
            follow = value == bar->maximum();
    });
    // The wheel, a drag or a click on the bar move the slider first.
    connect(bar, &QScrollBar::actionTriggered, this,
            [this, bar](int) { follow = bar->sliderPosition() == bar->maximum(); });
    connect(bar, &QScrollBar::rangeChanged, this, [this, bar](int, int max) {
        if (follow)
            bar->setValue(max);
    });
}

void Console::putData(const QByteArray &data)
{
    append_at_end(QString::fromUtf8(data.constData(),
                                    static_cast<int>(qstrnlen(data.constData(), data.size()))));
}

void Console::show_sent(const QString &line)
{
    append_line(QStringLiteral("--> ") + line, outgoing);
}

void Console::show_held(const QString &line)
{
    append_line(QStringLiteral("--> %1   (en espera)").arg(line), remark);
}

void Console::note(const QString &text)
{
    append_line(QStringLiteral("-- ") + text, remark);
}

void Console::append_line(const QString &text, Kind kind)
{
    // The line being typed stays the last one.
    const QString keep = typed;
    unshow_typed();
    QString line = text;
    if (line.endsWith(QLatin1Char('\n')))
        line.chop(1);
    if (!document()->lastBlock().text().isEmpty())
        append_at_end(QStringLiteral("\n"));
    append_at_end(line + QLatin1Char('\n'), kind);
    append_at_end(keep);
}

void Console::append_at_end(const QString &text, Kind kind)
{
    // While the text grows, the view's own adjustments are not the user's
    // scrolling.
    QScrollBar *bar = verticalScrollBar();
    const int kept = bar->value();
    inserting = true;
    QTextCharFormat format;
    if (colour_of(kind).isValid())
        format.setForeground(colour_of(kind));
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    const QStringList pieces = text.split(QLatin1Char('\n'));
    for (int i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            end.insertText(QStringLiteral("\n"), format);
        if (pieces.at(i).isEmpty())
            continue;
        if (timestamps && end.atBlockStart())
            end.insertText(QTime::currentTime().toString(QStringLiteral("[HH:mm:ss.zzz] ")),
                           format);
        end.insertText(pieces.at(i), format);
    }
    bar->setValue(follow ? bar->maximum() : kept);
    inserting = false;
}

bool Console::save_to(const QString &file_name) const
{
    QFile file(file_name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray bytes = toPlainText().toUtf8();
    return file.write(bytes) == bytes.size() && file.flush();
}

void Console::setLocalEcho(bool set)
{
    local_echo = set;
}

void Console::unshow_typed()
{
    // The typed characters are on screen only while nothing arrived after
    // them.
    if (typed.isEmpty() || !toPlainText().endsWith(typed))
        return;
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor, typed.size());
    end.removeSelectedText();
}

void Console::retype(const QString &text)
{
    QByteArray bytes(typed.size(), '\b');
    unshow_typed();
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
    case Qt::Key_Escape:
        // Stops the running operation, as everywhere in the window.
        e->ignore();
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
        // The window shows the line again, as sent or as waiting.
        unshow_typed();
        typed.clear();
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
