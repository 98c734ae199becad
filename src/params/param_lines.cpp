#include "param_lines.h"

#include "text_util.h"

namespace {

bool is_digit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

std::optional<ParamLine> read_param_line(const QString &line)
{
    if (!line.startsWith(QLatin1String("## ")) || line.size() < 6 || !is_digit(line.at(3))
        || !is_digit(line.at(4)) || line.at(5) != QLatin1Char(' '))
        return std::nullopt;
    ParamLine p;
    p.numero = line.mid(3, 2).toInt();
    if (p.numero >= param_count)
        return std::nullopt;
    int end = line.size();
    while (end > 6
           && (line.at(end - 1) == QLatin1Char('\n') || line.at(end - 1) == QLatin1Char('\r')))
        --end;
    p.valor = line.mid(6, end - 6);
    // Only the quotes that enclose a text: one inside it is part of what the
    // controller holds and must go back with it.
    if (p.valor.size() >= 2 && p.valor.startsWith(QLatin1Char('"'))
        && p.valor.endsWith(QLatin1Char('"')))
        p.valor = p.valor.mid(1, p.valor.size() - 2);
    return p;
}

QVector<std::optional<QString>> read_param_answer(const QStringList &lines)
{
    QVector<std::optional<QString>> values(param_count);
    for (const QString &line : lines) {
        if (const auto p = read_param_line(line))
            values[p->numero] = p->valor;
    }
    return values;
}

QString param_text(const QString &valor)
{
    return fold(valor);
}

int param_number(const QString &valor)
{
    return read_decimal(fold(valor));
}

bool is_param_number(const QString &valor)
{
    bool ok = false;
    valor.trimmed().toInt(&ok, 10);
    return ok;
}

QString version_text(int version)
{
    return QString::number(version / 256) + QLatin1Char('.') + QString::number(version % 256);
}

const QVector<int> &writable_params()
{
    static const QVector<int> order{0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
    return order;
}

bool is_text_param(int numero)
{
    switch (numero) {
    case 0:
    case 1:
    case 5:
    case 9:
    case 10:
    case 11:
    case 12:
    case 14:
        return true;
    default:
        return false;
    }
}

int text_limit(int numero)
{
    switch (numero) {
    case 1:
    case 5:
        return 21; // "+" and up to 20 digits
    case 9:
    case 10:
    case 11:
    case 12:
        return 38;
    default:
        return 30; // the installation name and the base number
    }
}

QString send_par_line(int numero, const QString &valor)
{
    const QString nn = QStringLiteral("%1").arg(numero, 2, 10, QLatin1Char('0'));
    if (is_text_param(numero))
        return QStringLiteral("SEND_PAR 2 ") + nn + QStringLiteral(" \"") + valor
            + QLatin1Char('"');
    const QLatin1String type(numero == 3 || numero == 13 ? "1 " : "0 ");
    return QStringLiteral("SEND_PAR ") + type + nn + QLatin1Char(' ') + valor;
}

std::optional<QString> param_to_send(const ParamRead &read, const QString &now, bool acceptable)
{
    if (now == read.shown)
        return read.held ? std::optional<QString>(read.valor) : std::nullopt;
    return acceptable ? std::optional<QString>(now) : std::nullopt;
}
