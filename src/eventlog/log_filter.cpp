#include "log_filter.h"

#include "text_util.h"

#include <QRegularExpression>

QString log_row_text(const QStringList &cells)
{
    // A tab cannot be typed into the finder, so no match spans two cells.
    return comparable(cells.join(QLatin1Char('\t')));
}

bool log_row_matches(const QString &fecha, const QString &accion, const QString &row_text,
                     const LogFilter &filter)
{
    if (!filter.event.isEmpty() && accion != filter.event)
        return false;
    // The day is cut out only when one is asked for: over a long archive
    // each keystroke goes through every row.
    if (!filter.from.isEmpty() || !filter.to.isEmpty()) {
        const QString day = fecha.left(10);
        if (!filter.from.isEmpty() && day < filter.from)
            return false;
        if (!filter.to.isEmpty() && day > filter.to)
            return false;
    }
    return row_text.contains(filter.text);
}

QDate read_day(const QString &text)
{
    static const QRegularExpression form(
        QStringLiteral("^(\\d{1,4})([/.-])(\\d{1,2})\\2(\\d{1,4})$"));
    const QRegularExpressionMatch m = form.match(text.trimmed());
    if (!m.hasMatch())
        return QDate();
    const QString first = m.captured(1);
    const QString last = m.captured(4);
    const int month = m.captured(3).toInt();
    if (first.size() == 4)
        return last.size() <= 2 ? QDate(first.toInt(), month, last.toInt()) : QDate();
    // A year of two digits is of this century; one of three is a typo.
    if (first.size() > 2 || (last.size() != 2 && last.size() != 4))
        return QDate();
    const int year = last.size() == 2 ? 2000 + last.toInt() : last.toInt();
    return QDate(year, month, first.toInt());
}

DayRange quick_range(QuickRange range, const QDate &today, const QDate &last_day)
{
    switch (range) {
    case QuickRange::hoy:
        return {today, today};
    case QuickRange::ultimo_dia:
        return {last_day, last_day};
    case QuickRange::ayer:
        return {today.addDays(-1), today.addDays(-1)};
    case QuickRange::siete_dias:
        return {today.addDays(-6), today};
    case QuickRange::todo:
        break;
    }
    return {};
}

QString log_days_text(const QDate &first, const QDate &last)
{
    const QString form = QStringLiteral("dd/MM/yyyy");
    if (!first.isValid() || !last.isValid())
        return QString();
    if (first == last)
        return QStringLiteral("Solo el %1").arg(last.toString(form));
    return QStringLiteral("Del %1 al %2").arg(first.toString(form), last.toString(form));
}
