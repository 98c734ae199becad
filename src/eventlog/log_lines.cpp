#include "log_lines.h"

#include "text_util.h"

bool is_log_line(const QString &line)
{
    return line.startsWith(QLatin1String("XX "));
}

LogRecord decode_log_line(const QString &line)
{
    // The controller ends its lines with LF or CR LF; without this the last
    // field present would carry the terminator, and a line cut short after
    // its ids would count the terminator as one more field.
    int end = line.size();
    while (end > 0
           && (line.at(end - 1) == QLatin1Char('\n') || line.at(end - 1) == QLatin1Char('\r')))
        --end;
    const QStringList parts = line.left(end).split(QLatin1Char(' '), Qt::KeepEmptyParts);

    LogRecord r;
    r.campos = qMin(parts.size(), 6);
    auto field = [&parts](int i) { return i < parts.size() ? parts.at(i) : QString(); };
    r.accion = read_decimal(field(1));
    r.usuario = read_decimal(field(2));
    r.asociado = read_decimal(field(3));
    r.fecha = fold(field(4) + QLatin1Char(' ') + field(5));
    return r;
}

QString event_text(int code)
{
    switch (code) {
    case 1:
        return QStringLiteral("Acceso 1 operado ");
    case 2:
        return QStringLiteral("Acceso 2 operado ");
    case 3:
        return QStringLiteral("Generador iniciando ");
    case 4:
        return QStringLiteral("Generador deteniendo ");
    case 5:
        return QStringLiteral("Generador Funcionando ");
    case 6:
        return QStringLiteral("Generador Detenido ");
    case 7:
        return QStringLiteral("Energia desde la red ");
    case 8:
        return QStringLiteral("Falla suministro electrico ");
    case 10:
        return QStringLiteral("Usuario Creado");
    case 11:
        return QStringLiteral("Usuario Borrado");
    case 12:
        return QStringLiteral("Usuario Modificado");
    default:
        return QString();
    }
}

QByteArray log_csv_header()
{
    // Fixed byte for byte, with its two blanks before "NUMERO USUARIO" and
    // no separator after the last name, unlike the record lines.
    return QByteArrayLiteral("FECHA ; NOMBRE USUARIO ;  NUMERO USUARIO ; ACCION ; "
                             "NOMBRE USUARIO ASOCIADO ; NUMERO USUARIO ASOCIADO\n");
}

QByteArray log_csv_line(const QStringList &cells)
{
    QByteArray out;
    for (const QString &cell : cells) {
        out += cell.toLocal8Bit();
        out += " ; ";
    }
    out += '\n';
    return out;
}
