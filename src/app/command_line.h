#ifndef COMMAND_LINE_H
#define COMMAND_LINE_H

#include <QTranslator>

class QCommandLineParser;

// The window's command line: -h/--help, --verbose, --historial ARCHIVO and
// an optional port, every text in Spanish.
void describe_command_line(QCommandLineParser &parser);

// Whether the command line asks only for text on the terminal: the help,
// or the report of a mistake in it. Neither needs a display, so it is
// looked at before the application (and its display) exists.
bool command_line_wants_text(int argc, char *argv[]);

// The texts QCommandLineParser writes itself (the usage line, the headings
// of the help, the mistakes it finds) in Spanish, whatever translations the
// system has.
class SpanishCommandLine : public QTranslator
{
    Q_OBJECT

public:
    using QTranslator::QTranslator;

    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *source_text,
                      const char *disambiguation = nullptr, int n = -1) const override;
};

#endif
