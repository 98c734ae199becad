#include "param_lines.h"

#include "text_util.h"

std::optional<ParamLine> read_param_line(const QString &line)
{
    if (!line.startsWith(QLatin1String("## ")))
        return std::nullopt;
    ParamLine p;
    p.numero = read_decimal(line.mid(3, 2));
    p.valor = line.mid(5);
    p.valor.remove(QLatin1Char('"'));
    return p;
}

QString param_text(int numero, const QString &valor)
{
    return fold(numero == 0 ? valor.mid(1) : valor);
}

int param_number(const QString &valor)
{
    return read_decimal(fold(valor));
}

QString version_text(int version)
{
    return QString::number(version / 256) + QLatin1Char('.') + QString::number(version % 256);
}

QStringList send_par_lines(const ParamForm &f)
{
    auto text = [](const char *nn, const QString &value) {
        return QStringLiteral("SEND_PAR 2 ") + QLatin1String(nn) + QStringLiteral(" \"")
            + fold(value) + QLatin1Char('"');
    };
    auto number = [](const char *type_nn, const QString &value) {
        return QStringLiteral("SEND_PAR ") + QLatin1String(type_nn) + QLatin1Char(' ') + value;
    };
    return {
        text("00", f.nombre_inst),
        text("01", f.num_equipo),
        number("1 03", QString::number(f.max_visitas)),
        number("0 04", QString::number(f.notificaciones)),
        text("05", f.num_registro),
        number("0 06", f.modo_operacion),
        number("0 07", QString::number(f.modo_entrada1)),
        number("0 08", QString::number(f.modo_entrada2)),
        text("09", f.msg_apertura1),
        text("10", f.msg_cierre1),
        text("11", f.msg_apertura2),
        text("12", f.msg_cierre2),
        number("1 13", QString::number(f.min_digitos)),
        text("14", f.num_base),
    };
}
