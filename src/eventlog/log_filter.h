#ifndef LOG_FILTER_H
#define LOG_FILTER_H

#include <QDate>
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

// A day as an installer types it: day first, as usual in Spanish
// ("06/03/2024", "6-3-24", "6.3.2024"), or year first as the controller
// writes it ("2024-03-06"). Anything else, or a day that does not exist, is
// a null date.
QDate read_day(const QString &text);

// The days the quick choices of the log show: today, yesterday and the last
// seven days (today included) counted back from `today`, the computer's
// date; the last day the log holds (`last_day`, which a controller whose
// clock is wrong puts far from today); every day.
enum class QuickRange { hoy, ultimo_dia, ayer, siete_dias, todo };
struct DayRange
{
    QDate from; // null: no first day
    QDate to;   // null: no last day
};
DayRange quick_range(QuickRange range, const QDate &today, const QDate &last_day);

// The days a log holds, as its filters show them: "Del 01/03/2024 al
// 07/03/2024", "Solo el 07/03/2024", or empty for a log without days.
QString log_days_text(const QDate &first, const QDate &last);

#endif
