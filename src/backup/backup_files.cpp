#include "backup_files.h"

#include "param_lines.h"

#include <QRegularExpression>

QString backup_folder_name(const QString &installation, const QDateTime &at)
{
    static const QRegularExpression unsafe(QStringLiteral("[^\\w.+-]+"));
    QString name = installation.simplified().replace(unsafe, QStringLiteral("_"));
    // A name of dots alone would name this folder or its parent.
    if (name.isEmpty() || name.count(QLatin1Char('.')) == name.size())
        name = QStringLiteral("controlador");
    return name + QLatin1Char('-') + at.toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

QByteArray params_csv(const QVector<QString> &values)
{
    QByteArray bytes;
    for (int n = 0; n < values.size(); ++n) {
        const QString value =
            is_text_param(n) ? QLatin1Char('"') + values.at(n) + QLatin1Char('"') : values.at(n);
        bytes += QStringLiteral("%1;%2\n").arg(n, 2, 10, QLatin1Char('0')).arg(value).toLocal8Bit();
    }
    return bytes;
}

QVector<std::optional<QString>> params_from_csv(const QStringList &lines)
{
    QStringList answer;
    for (const QString &line : lines)
        answer << QStringLiteral("## ") + line.section(QLatin1Char(';'), 0, 0) + QLatin1Char(' ')
                + line.section(QLatin1Char(';'), 1);
    return read_param_answer(answer);
}
