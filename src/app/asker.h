#ifndef ASKER_H
#define ASKER_H

#include <QList>
#include <QPair>
#include <QString>

// Whoever answers the core's questions and hears its messages: the window
// with its message boxes and status bar, the backup on stderr with the safe
// answer, a test from its script.
class Asker
{
public:
    // The buttons a question may offer. The values are Qt's own standard
    // buttons, so that a window can show them as they are.
    enum Button {
        yes = 0x00004000,
        yes_to_all = 0x00008000,
        no = 0x00010000,
        save = 0x00000800,
        discard = 0x00800000,
        cancel = 0x00400000,
    };
    using Choices = QList<QPair<int, QString>>;

    virtual ~Asker() = default;

    // A yes/no question before something that cannot be undone; no is the
    // safe answer.
    bool ask(const QString &question, const QString &details = QString())
    {
        return choose(question, {{yes, QString()}, {no, QString()}}, no, details) == yes;
    }
    // The same with other buttons (each with the text it shows, empty for
    // the button's own): the button chosen, or `fallback` when none was.
    virtual int choose(const QString &question, const Choices &choices, int fallback,
                       const QString &details = QString()) = 0;
    // Something that went wrong and that the user must see.
    virtual void warn(const QString &title, const QString &text) = 0;
    // How an operation ended, in one line.
    virtual void report(const QString &text) = 0;
};

#endif
