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

QString decode_line(const QByteArray &raw)
{
    return QString::fromUtf8(raw.constData(),
                             static_cast<int>(qstrnlen(raw.constData(), raw.size())));
}
