#ifndef LOG_FILTER_H
#define LOG_FILTER_H

#include <QString>
#include <QStringList>

// What the log table is narrowed to: a text found in any cell (without
// regard to case or accents), one event, and a range of days. Empty parts
// let every row through.
struct LogFilter
{
    QString text;  // as comparable() gives it
    QString event; // an "Accion" text exactly as the table shows it
    QString from;  // first day, "yyyy-MM-dd"
    QString to;    // last day, "yyyy-MM-dd"

    bool empty() const
    {
        return text.isEmpty() && event.isEmpty() && from.isEmpty() && to.isEmpty();
    }
};

// All of a row's cells in one text ready for finding, made once per row
// rather than once per keystroke.
QString log_row_text(const QStringList &cells);

// Whether a row of the table passes the filter: its date and time
// ("yyyy-MM-dd hh:mm:ss"), its "Accion" text and its log_row_text. The
// controller writes its dates year first, so days compare as text.
bool log_row_matches(const QString &fecha, const QString &accion, const QString &row_text,
                     const LogFilter &filter);

#endif
