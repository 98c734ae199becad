#include "reply.h"

#include <QRegularExpression>

Counted Counted::numbers()
{
    Counted c;
    c.number = true;
    return c;
}

Counted Counted::lines_that(bool (*is)(const QString &line))
{
    Counted c;
    c.passes = is;
    return c;
}

bool Counted::counts(const QString &line) const
{
    if (passes)
        return passes(line);
    return number ? is_count_line(line) : line.startsWith(prefix);
}

bool is_count_line(const QString &line)
{
    static const QRegularExpression decimal(QStringLiteral("^\\s*\\d{1,9}\\s*$"));
    return decimal.match(line).hasMatch();
}

std::optional<int> read_count(const QStringList &lines)
{
    std::optional<int> count;
    for (const QString &line : lines) {
        if (!is_count_line(line))
            continue;
        const int n = line.trimmed().toInt();
        if (count && *count != n)
            return std::nullopt;
        count = n;
    }
    return count;
}

QString sync_summary(int total, int confirmed, int failed, int unconfirmed, int waiting)
{
    QString text = QStringLiteral("Sincronizados %1 de %2").arg(confirmed).arg(total);
    QStringList why;
    if (failed > 0)
        why << QStringLiteral("%1 con error").arg(failed);
    if (waiting > 0)
        why << (waiting == 1 ? QStringLiteral("1 espera a su administrador")
                             : QStringLiteral("%1 esperan a su administrador").arg(waiting));
    if (!why.isEmpty())
        text += QStringLiteral(" (%1)").arg(why.join(QStringLiteral(", ")));
    const int not_sent = total - confirmed - failed - unconfirmed - waiting;
    if (unconfirmed > 0)
        text += QStringLiteral(", %1 enviado%2 sin confirmar")
                    .arg(unconfirmed)
                    .arg(unconfirmed == 1 ? QString() : QStringLiteral("s"));
    if (not_sent > 0)
        text += QStringLiteral(", %1 sin enviar").arg(not_sent);
    return text;
}
