#include "console.h"

#include "controller_commands.h"

#include <QFile>
#include <QPlainTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTime>
#include <QTimer>

#include <optional>

namespace {
// What went out is amber, the tool's notes grey; what the controller sent
// and what is being typed keep the console's own colour.
QColor colour_of(int kind)
{
    switch (kind) {
    case 1:
        return QColor(255, 176, 0);
    case 2:
        return QColor(150, 150, 150);
    default:
        return QColor();
    }
}

// How long a burst of new lines waits for the view: it is scrolled and
// painted once per burst, not by one line for every line.
constexpr int settle_ms = 30;
} // namespace

// The console's document lays its lines out as the view asks for them.
// While held, what changed is not told to the view line by line: it learns
// the new extent and repaints once per burst (settle), so that a line costs
// the same however much the console holds and only the lines that are seen
// get laid out.
class Console::Layout : public QPlainTextDocumentLayout
{
public:
    using QPlainTextDocumentLayout::QPlainTextDocumentLayout;

    bool held = false;

    void settle()
    {
        if (!changed)
            return;
        changed = false;
        emit documentSizeChanged(documentSize());
        emit update();
    }

    // Lines the document drops beyond the limit are not laid out on their
    // way out (the cursor that drops them asks for their place).
    QRectF blockBoundingRect(const QTextBlock &block) const override
    {
        return held ? QRectF() : QPlainTextDocumentLayout::blockBoundingRect(block);
    }

protected:
    void documentChanged(int from, int removed, int added) override
    {
        if (!held) {
            QPlainTextDocumentLayout::documentChanged(from, removed, added);
            return;
        }
        const QSignalBlocker quiet(this);
        QPlainTextDocumentLayout::documentChanged(from, removed, added);
        changed = true;
    }

private:
    bool changed = false;
};

// One change of the text, however many pieces it adds: the document lays
// itself out and the view settles once, when the outermost change ends.
// A change within another one is only counted: the outer one holds the edit.
class Console::Change
{
public:
    explicit Change(Console *console) : c(console)
    {
        if (c->changing++ > 0)
            return;
        kept = c->verticalScrollBar()->value();
        blocks = c->document()->blockCount();
        c->lines_begun = 0;
        // While the text grows, the view's own adjustments are not the
        // user's scrolling.
        c->inserting = true;
        c->layout->held = true;
        edit.emplace(c->document());
        edit->cursor.beginEditBlock();
    }
    ~Change()
    {
        if (--c->changing > 0)
            return;
        // Here the document drops its oldest lines beyond the limit.
        edit->cursor.endEditBlock();
        // A reader scrolled up keeps the lines he reads in view while the
        // oldest ones go; a follower is taken to the end once the view has
        // its new range.
        c->layout->held = false;
        c->settle_soon();
        const int dropped = blocks + c->lines_begun - c->document()->blockCount();
        if (!c->follow && dropped > 0)
            c->verticalScrollBar()->setValue(qMax(0, kept - dropped));
        c->inserting = false;
    }
    Change(const Change &) = delete;
    Change &operator=(const Change &) = delete;

private:
    struct Edit
    {
        explicit Edit(QTextDocument *text) : cursor(text), quiet(text) { }
        QTextCursor cursor;
        // The document's own signals (the edit's cursor moved, the text
        // changed) serve typing into an editor; in a log they would only
        // cost a look at the input method for every line.
        const QSignalBlocker quiet;
    };

    Console *c;
    std::optional<Edit> edit;
    int kept = 0;
    int blocks = 0;
};

Console::Console(QWidget *parent) : QPlainTextEdit(parent)
{
    auto *text = new QTextDocument(this);
    layout = new Layout(text);
    text->setDocumentLayout(layout);
    setDocument(text);
    settle_timer = new QTimer(this);
    settle_timer->setSingleShot(true);
    settle_timer->setInterval(settle_ms);
    connect(settle_timer, &QTimer::timeout, this, &Console::settle);
    // Nothing is ever undone, and a day of traffic must not pile up in an
    // undo history.
    document()->setUndoRedoEnabled(false);
    set_line_limit(default_line_limit);
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
    const Change change(this);
    // The line being typed stays the last one, apart from what arrives.
    const QString keep = typed;
    unshow_typed();
    append_at_end(QString::fromUtf8(data.constData(),
                                    static_cast<int>(qstrnlen(data.constData(), data.size()))));
    append_at_end(keep, typing);
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

void Console::set_line_limit(int lines)
{
    limit = qMax(1, lines);
    const Change change(this);
    // The line being written is a block of its own besides the whole lines.
    document()->setMaximumBlockCount(limit + 1);
}

void Console::settle_soon()
{
    // A hidden console settles once it is shown.
    if (settle_timer->isActive() || !isVisible())
        return;
    // Until then the view is neither scrolled nor painted.
    viewport()->setUpdatesEnabled(false);
    settle_timer->start();
}

void Console::settle()
{
    inserting = true;
    layout->settle();
    inserting = false;
    viewport()->setUpdatesEnabled(true);
}

void Console::append_line(const QString &text, Kind kind)
{
    const Change change(this);
    // The line being typed stays the last one.
    const QString keep = typed;
    unshow_typed();
    QString line = text;
    if (line.endsWith(QLatin1Char('\n')))
        line.chop(1);
    if (!document()->lastBlock().text().isEmpty())
        append_at_end(QStringLiteral("\n"));
    append_at_end(line + QLatin1Char('\n'), kind);
    append_at_end(keep, typing);
}

void Console::append_at_end(const QString &text, Kind kind)
{
    if (text.isEmpty())
        return;
    const Change change(this);
    QTextCharFormat format;
    if (colour_of(kind).isValid())
        format.setForeground(colour_of(kind));
    QTextCursor end(document());
    // Placed, not moved there: moving lays out the line it starts from.
    end.setPosition(document()->characterCount() - 1);
    const QStringList pieces = text.split(QLatin1Char('\n'));
    lines_begun += int(pieces.size()) - 1;
    // One insertion for the whole text: the document's cost is mostly per
    // insertion, not per character; and it takes a CR LF for one line break
    // only when both come in the same insertion.
    QString run;
    for (int i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            run += QLatin1Char('\n');
        const QString &piece = pieces.at(i);
        if (piece.isEmpty())
            continue;
        // The line being typed gets its time once it is shown as sent.
        if (timestamps && kind != typing && (i > 0 || end.atBlockStart()))
            run += QTime::currentTime().toString(QStringLiteral("[HH:mm:ss.zzz] "));
        run += piece;
    }
    end.insertText(run, format);
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
    if (typed.isEmpty())
        return;
    const int at_end = document()->characterCount() - 1;
    if (!document()->lastBlock().text().endsWith(typed))
        return;
    const Change change(this);
    QTextCursor shown(document());
    shown.setPosition(at_end - int(typed.size()));
    shown.setPosition(at_end, QTextCursor::KeepAnchor);
    shown.removeSelectedText();
}

void Console::retype(const QString &text)
{
    QByteArray bytes(typed.size(), '\b');
    {
        const Change change(this);
        unshow_typed();
        typed = text;
        append_at_end(text, typing);
    }
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

void Console::complete()
{
    const CommandCompletion done = complete_command(typed);
    if (done.line != typed)
        retype(done.line);
    if (done.candidates.size() > 1)
        note(done.candidates.join(QStringLiteral("  ")));
}

void Console::showEvent(QShowEvent *e)
{
    settle();
    QPlainTextEdit::showEvent(e);
}

bool Console::focusNextPrevChild(bool next)
{
    // Shift+Tab still leaves the console.
    return next ? false : QPlainTextEdit::focusNextPrevChild(next);
}

void Console::keyPressEvent(QKeyEvent *e)
{
    switch (e->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        return;
    case Qt::Key_Escape:
        // The window's own Escape does not reach a key press that the
        // console received.
        emit escaped();
        return;
    case Qt::Key_Tab:
        complete();
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
        if (asks_for_commands(typed)) {
            // Taken back from whoever collects the bytes: it is not for the
            // controller.
            const QByteArray back(typed.size(), '\b');
            unshow_typed();
            typed.clear();
            recalled = history.size();
            emit getData(back);
            emit commands_wanted();
            return;
        }
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
            append_at_end(text, typing);
        }
        emit getData(text.toLocal8Bit());
    }
}
