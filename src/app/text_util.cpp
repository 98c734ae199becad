#include "text_util.h"

#include <QHash>

namespace {

// The ASCII form of one character, empty when it has none. Most accented
// letters decompose into a plain letter and marks; a few letters and signs
// that spreadsheets and keyboards put in names do not.
QString ascii_form(QChar c)
{
    static const QHash<ushort, const char *> table = {
        {0x00DF, "ss"}, {0x00C6, "AE"}, {0x00E6, "ae"}, {0x0152, "OE"}, {0x0153, "oe"},
        {0x00D8, "O"},  {0x00F8, "o"},  {0x0110, "D"},  {0x0111, "d"},  {0x0141, "L"},
        {0x0142, "l"},  {0x00A0, " "},  {0x2018, "'"},  {0x2019, "'"},  {0x2013, "-"},
        {0x2014, "-"},  {0x00B4, "'"}};
    if (const char *plain = table.value(c.unicode()))
        return QLatin1String(plain);
    QString out;
    for (const QChar part : QString(c).normalized(QString::NormalizationForm_KD)) {
        if (part.category() == QChar::Mark_NonSpacing)
            continue;
        if (part.unicode() >= 0x80)
            return QString();
        out += part;
    }
    return out;
}

} // namespace

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

QString fold_accents(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const QString plain = c.unicode() < 0x80 ? QString() : ascii_form(c);
        if (plain.isEmpty())
            out += c;
        else
            out += plain;
    }
    return out;
}

QString first_lines(const QStringList &lines, int shown, const QString &where)
{
    QString text = QStringList(lines.mid(0, shown)).join(QLatin1Char('\n'));
    if (lines.size() > shown)
        text += QStringLiteral("\n… y %1 más").arg(lines.size() - shown) + where;
    return text;
}
