#include "log_lines.h"

#include "user_record.h"

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
    // Where each of the first six fields starts and ends, found without
    // cutting the line into pieces: a long archive decodes a million lines.
    int starts[6] = {};
    int ends[6] = {};
    LogRecord r;
    for (int i = 0, start = 0; i <= end && r.campos < 6; ++i) {
        if (i == end || line.at(i) == QLatin1Char(' ')) {
            starts[r.campos] = start;
            ends[r.campos] = i;
            ++r.campos;
            start = i + 1;
        }
    }
    auto field = [&](int i) {
        return i < r.campos ? line.mid(starts[i], ends[i] - starts[i]) : QString();
    };
    // Up to nine plain digits are read here; anything else goes the long way.
    auto number = [&](int i) {
        const int size = i < r.campos ? ends[i] - starts[i] : 0;
        int value = 0;
        for (int k = 0; k < size && size <= 9; ++k) {
            const QChar c = line.at(starts[i] + k);
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return read_decimal(field(i));
            value = value * 10 + (c.unicode() - '0');
        }
        return size <= 9 ? value : read_decimal(field(i));
    };
    r.accion = number(1);
    r.usuario = number(2);
    r.asociado = number(3);
    // The date and the time with the one blank between them, as the line
    // has them.
    const int last = qMin(r.campos, 6) - 1;
    // fold() is simplified(); the piece cut out is simplified in place.
    r.fecha = last >= 4 ? line.mid(starts[4], ends[last] - starts[4]).simplified() : QString();
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

std::array<QString, 6> LogNamer::cells(const LogRecord &r)
{
    const UserRecord *user = r.has_usuario() ? find(r.usuario) : nullptr;
    const UserRecord *asoc = r.has_asociado() ? find(r.asociado) : nullptr;
    auto event = events.find(r.accion);
    if (event == events.end())
        event = events.insert(r.accion, event_text(r.accion));
    const QString unknown = QStringLiteral("????");
    return {r.fecha, user ? user->nombre : unknown, user ? user->numero : QString(),
            *event,  asoc ? asoc->nombre : unknown, asoc ? asoc->numero : QString()};
}
