#include "text_util.h"

QString fold(const QString &text)
{
    return text.simplified();
}

int read_decimal(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? value : 0;
}

QString counted(int n, const QString &one, const QString &many)
{
    return QString::number(n) + QLatin1Char(' ') + (n == 1 ? one : many);
}

QString decode_line(const QByteArray &raw)
{
    return QString::fromUtf8(raw.constData(),
                             static_cast<int>(qstrnlen(raw.constData(), raw.size())));
}

QString comparable(const QString &text)
{
    QString folded = text.toCaseFolded();
    bool plain = true;
    for (const QChar c : folded)
        plain = plain && c.unicode() < 0x80;
    if (plain)
        return folded;
    // The accents are split off and dropped.
    const QString split = folded.normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(split.size());
    for (const QChar c : split) {
        if (c.category() != QChar::Mark_NonSpacing)
            out += c;
    }
    return out;
}
