#include "log_filter.h"

#include "text_util.h"

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
    const QString day = fecha.left(10);
    if (!filter.from.isEmpty() && day < filter.from)
        return false;
    if (!filter.to.isEmpty() && day > filter.to)
        return false;
    return row_text.contains(filter.text);
}
