#ifndef SCRIPTED_ASKER_H
#define SCRIPTED_ASKER_H

#include "asker.h"

#include <QStringList>

// Answers the core's questions from a script, and keeps every text it was
// given: questions, warnings and reports, each in the order they came.
class ScriptedAsker : public Asker
{
public:
    // The buttons chosen, in order; a question past the script gets its
    // fallback, the safe answer.
    QList<int> answers;
    QStringList questions;
    QStringList warnings;
    QStringList reports;

    int choose(const QString &question, const Choices &, int fallback, const QString &) override
    {
        questions << question;
        return answers.isEmpty() ? fallback : answers.takeFirst();
    }
    void warn(const QString &, const QString &text) override { warnings << text; }
    void report(const QString &text) override { reports << text; }
};

#endif
