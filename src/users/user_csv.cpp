#include "user_csv.h"

#include "text_util.h"
#include "user_row.h"

#include <QIODevice>
#include <QRegularExpression>
#include <QStringList>
#include <QTextStream>

#include <limits>

namespace {

const char *const columns[] = {"id_user",   "id_padre", "categoria", "nombre", "numero",
                               "hrs_reman", "rh_ini",   "rh_fin",    "rd"};

// Field i read as a decimal from low to high into *value; a blank or missing
// field leaves *value as it was. The reason when the field does not read.
QString read_field(const QStringList &fields, int i, qint64 low, qint64 high, int *value)
{
    if (i >= fields.size() || fields.at(i).isEmpty())
        return QString();
    bool ok = false;
    const qint64 number = fields.at(i).trimmed().toLongLong(&ok, 10);
    if (ok && number >= low && number <= high) {
        *value = int(number);
        return QString();
    }
    return QStringLiteral("%1 «%2» no es un número de %3 a %4")
        .arg(QLatin1String(columns[i]), fields.at(i))
        .arg(low)
        .arg(high);
}

// The first character of a name that the controller cannot store: it
// prints names between quotes in comma-separated records, so quotes, commas
// and control characters have no place there, nor anything beyond ASCII.
QString foreign_character(const QString &name)
{
    for (int i = 0; i < name.size(); ++i) {
        const ushort c = name.at(i).unicode();
        // A control character shows nothing: it is named by its code.
        if (c < 0x20 || (c >= 0x7f && c < 0xa0))
            return QStringLiteral("U+%1").arg(c, 4, 16, QLatin1Char('0'));
        if (c > 0x7f || c == '"' || c == ',')
            return name.mid(i, name.at(i).isHighSurrogate() ? 2 : 1);
    }
    return QString();
}

int category_of_word(const QString &word)
{
    for (int categoria : {UserRow::Admin, UserRow::Usuario, UserRow::Visita}) {
        if (word.compare(csv_category_word(categoria), Qt::CaseInsensitive) == 0)
            return categoria;
    }
    return -1;
}

// Why the row cannot go to the controller; empty when it can.
QString read_fields(const QStringList &f, CsvRow &row)
{
    UserRow &u = *row.record;
    if (f.size() < 5)
        return QStringLiteral("tiene %1 de los 9 campos").arg(f.size());
    const int int_max = std::numeric_limits<int>::max();
    u.id_user = 0;
    u.id_padre = 0;
    QStringList why{read_field(f, 0, -int_max, int_max, &u.id_user),
                    read_field(f, 1, -int_max, int_max, &u.id_padre)};
    u.categoria = category_of_word(f.at(2));
    if (u.categoria < 0)
        return QStringLiteral("categoria «%1» no es admin, user ni guest").arg(f.at(2));

    const QString name = fold(f.at(3));
    u.nombre = fold(fold_accents(name));
    if (u.nombre != name)
        row.name_written = name;
    const QString foreign = foreign_character(u.nombre);
    if (u.nombre.isEmpty())
        return QStringLiteral("falta el nombre");
    if (!foreign.isEmpty())
        return QStringLiteral("el nombre «%1» lleva «%2», que el controlador no admite")
            .arg(name, foreign);
    if (u.nombre.size() > 15)
        return QStringLiteral("el nombre «%1» tiene más de 15 caracteres").arg(u.nombre);

    // A spreadsheet takes a number for a quantity and drops its "+". A
    // number written the national way (a leading 0, or too short to carry
    // a country code) would reach the controller as another number.
    static const QRegularExpression digits(QStringLiteral("^\\d{1,19}$"));
    static const QRegularExpression number(QStringLiteral("^\\+\\d{1,19}$"));
    u.numero = fold(f.at(4));
    if (digits.match(u.numero).hasMatch()) {
        if (u.numero.startsWith(QLatin1Char('0')))
            return QStringLiteral("el número «%1» empieza por 0: escríbalo con el código de país "
                                  "(+56…)")
                .arg(u.numero);
        if (u.numero.size() < 10)
            return QStringLiteral("el número «%1» no lleva código de país: escríbalo con él "
                                  "(+56…)")
                .arg(u.numero);
        row.number_written = u.numero;
        u.numero.prepend(QLatin1Char('+'));
    }
    if (!number.match(u.numero).hasMatch())
        return QStringLiteral("el número «%1» no es un + seguido de hasta 19 cifras").arg(u.numero);

    // The controller keeps the remaining hours signed (an expired visit
    // may hold a negative count); the file must give back what it holds.
    why << read_field(f, 5, -32768, 32767, &u.hrs_reman) << read_field(f, 6, 0, 23, &u.rh_ini)
        << read_field(f, 7, 1, 24, &u.rh_fin) << read_field(f, 8, 0, 255, &u.rd);
    why.removeAll(QString());
    if (why.isEmpty() && u.rh_ini >= u.rh_fin)
        return QStringLiteral("rh_ini %1 no es menor que rh_fin %2").arg(u.rh_ini).arg(u.rh_fin);
    return why.join(QStringLiteral("; "));
}

} // namespace

QChar users_csv_separator(const QString &header)
{
    QStringList expected;
    for (const char *column : columns)
        expected << QLatin1String(column);
    for (const QChar candidate : {QLatin1Char(';'), QLatin1Char(',')}) {
        // Empty columns after the last name are a spreadsheet's, not the
        // file's.
        QStringList names = split_csv_fields(header, candidate);
        while (names.size() > expected.size() && names.last().isEmpty())
            names.removeLast();
        if (names == expected)
            return candidate;
    }
    return QChar();
}

QStringList split_csv_fields(const QString &line, QChar separator)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    // Where the text of a quoted field ended: blanks after it are dropped,
    // but not those it holds.
    int closed = -1;
    for (int i = 0; i <= line.size(); ++i) {
        const QChar c = i < line.size() ? line.at(i) : separator;
        if (quoted && c == QLatin1Char('"') && line.mid(i + 1, 1) == QLatin1String("\"")) {
            field += c;
            ++i;
        } else if (quoted && c == QLatin1Char('"')) {
            quoted = false;
            closed = field.size();
        } else if (quoted && i < line.size()) {
            field += c;
        } else if (c == separator) {
            fields << (closed < 0 ? field.trimmed()
                                  : field.left(closed) + field.mid(closed).trimmed());
            field.clear();
            quoted = false;
            closed = -1;
        } else if (c == QLatin1Char('"') && closed < 0 && field.trimmed().isEmpty()) {
            quoted = true;
            field.clear();
        } else {
            field += c;
        }
    }
    return fields;
}

CsvRow read_csv_row(const QString &line, QChar separator)
{
    CsvRow row;
    row.record = std::make_unique<UserRow>();
    row.refused = read_fields(split_csv_fields(line, separator), row);
    return row;
}

UsersCsvFile read_users_csv(QIODevice *device)
{
    UsersCsvFile file;
    UsersCsvReader reader(device);
    QString line;
    const QChar separator = reader.next(&line) ? users_csv_separator(line) : QChar();
    file.header_ok = !separator.isNull();
    for (int number = 2; file.header_ok && reader.next(&line); ++number) {
        // A blank line (most editors end a file with one) holds no user.
        if (line.trimmed().isEmpty())
            continue;
        file.rows.push_back(read_csv_row(line, separator));
        file.rows.back().line = number;
    }
    file.windows_1252 = reader.read_windows_1252();
    return file;
}

void ImportCounts::note(const CsvRow &row)
{
    const QString line = QStringLiteral("Línea %1: ").arg(row.line);
    if (!row.refused.isEmpty()) {
        ++refused;
        refusals << line + row.refused;
        return;
    }
    if (!row.number_written.isEmpty()) {
        ++mended;
        mended_numbers << line
                + QStringLiteral("%1 → %2").arg(row.number_written, row.record->numero);
    }
    if (!row.name_written.isEmpty()) {
        ++folded;
        folded_names << line + QStringLiteral("%1 → %2").arg(row.name_written, row.record->nombre);
    }
}

namespace {

// "2 nuevos, 1 modificado, 40 sin cambios"
QString change_counts(const ImportCounts &counts)
{
    return counted(counts.added, QStringLiteral("nuevo"), QStringLiteral("nuevos"))
        + QStringLiteral(", ")
        + counted(counts.changed, QStringLiteral("modificado"), QStringLiteral("modificados"))
        + QStringLiteral(", %1 sin cambios").arg(counts.same);
}

} // namespace

QString ImportCounts::summary() const
{
    return change_counts(*this) + QStringLiteral(", ")
        + counted(refused, QStringLiteral("rechazado"), QStringLiteral("rechazados"));
}

ImportVerdict import_verdict(const QString &file, const ImportCounts &counts)
{
    // More lines would make the box taller than a laptop's screen.
    const int shown = 10;
    const QString in_details = QStringLiteral(" (en los detalles)");
    QStringList text{file};
    if (counts.windows_1252)
        text << QStringLiteral("El archivo no está en UTF-8: se leyó como Windows-1252, como lo "
                               "guarda una planilla en Windows.");
    if (counts.refused > 0) {
        QString refused = counts.refused == 1
            ? QStringLiteral("1 fila rechazada, que no se importará:")
            : QStringLiteral("%1 filas rechazadas, que no se importarán:").arg(counts.refused);
        refused += QLatin1Char('\n') + first_lines(counts.refusals, shown, in_details);
        text << refused;
    }
    QString changes = change_counts(counts) + QLatin1Char('.');
    if (counts.overwritten > 0)
        changes += counts.overwritten == 1
            ? QStringLiteral("\nSe reemplazará 1 cambio sin sincronizar.")
            : QStringLiteral("\nSe reemplazarán %1 cambios sin sincronizar.")
                  .arg(counts.overwritten);
    if (!counts.moved.isEmpty()) {
        changes +=
            QStringLiteral("\nCambian de dueño:\n") + first_lines(counts.moved, shown, in_details);
    }
    if (counts.kept > 0)
        changes += counts.kept == 1
            ? QStringLiteral("\n1 persona de la lista no está en el archivo: se conserva.")
            : QStringLiteral("\n%1 personas de la lista no están en el archivo: se conservan.")
                  .arg(counts.kept);
    text << changes;
    QStringList mends;
    if (counts.mended > 0)
        mends << counted(counts.mended, QStringLiteral("número recuperó su \"+\""),
                         QStringLiteral("números recuperaron su \"+\""));
    if (counts.folded > 0)
        mends << counted(counts.folded, QStringLiteral("nombre quedó sin acentos"),
                         QStringLiteral("nombres quedaron sin acentos"));
    if (!mends.isEmpty())
        text << mends.join(QStringLiteral(", ")) + QStringLiteral(" (en los detalles).");

    QStringList details;
    const auto list = [&details](const QString &heading, const QStringList &lines) {
        if (!lines.isEmpty())
            details << heading + QLatin1Char('\n') + lines.join(QLatin1Char('\n'));
    };
    list(QStringLiteral("Filas rechazadas:"), counts.refusals);
    list(QStringLiteral("Cambian de dueño:"), counts.moved);
    list(QStringLiteral("Números con su \"+\" repuesto:"), counts.mended_numbers);
    list(QStringLiteral("Nombres sin acentos:"), counts.folded_names);
    list(QStringLiteral("En la lista y no en el archivo (se conservan):"), counts.kept_people);
    return {text.join(QStringLiteral("\n\n")), details.join(QStringLiteral("\n\n"))};
}

bool UsersCsvReader::next(QString *line)
{
    if (!device)
        return false;
    // The rest of a line that was cut is read away in pieces and dropped,
    // only when the next line is asked for: a caller that stops after the
    // first line never reads through a device without line ends.
    while (cut && !device->atEnd()) {
        const QByteArray rest = device->readLine(max_line);
        cut = !rest.isEmpty() && !rest.endsWith('\n');
    }
    if (device->atEnd())
        return false;
    // At most max_line bytes, the line feed included (one byte less than the
    // size given is read).
    QByteArray raw = device->readLine(max_line + 1);
    if (raw.isEmpty())
        return false;
    cut = !raw.endsWith('\n');
    if (raw.endsWith('\n'))
        raw.chop(1);
    if (raw.endsWith('\r'))
        raw.chop(1);
    if (first) {
        first = false;
        if (raw.startsWith("\xEF\xBB\xBF")) {
            utf8 = true;
            raw.remove(0, 3);
        }
    }
    // A spreadsheet on Windows saves its own 8-bit code page: a line that
    // is not UTF-8 is read in it.
    if (utf8 || is_utf8(raw)) {
        *line = QString::fromUtf8(raw);
    } else {
        *line = from_windows_1252(raw);
        windows_1252 = true;
    }
    return true;
}

bool is_utf8(const QByteArray &bytes)
{
    const int n = int(bytes.size());
    for (int i = 0; i < n;) {
        const auto c = uchar(bytes.at(i));
        const int more = c < 0x80 ? 0
            : (c & 0xE0) == 0xC0  ? 1
            : (c & 0xF0) == 0xE0  ? 2
            : (c & 0xF8) == 0xF0  ? 3
                                  : -1;
        if (more < 0 || (more == 1 && c < 0xC2) || i + more >= n)
            return false;
        for (int k = 1; k <= more; ++k) {
            if ((uchar(bytes.at(i + k)) & 0xC0) != 0x80)
                return false;
        }
        i += more + 1;
    }
    return true;
}

QString from_windows_1252(const QByteArray &bytes)
{
    // 0x80 to 0x9F; the rest is Latin-1. Unassigned bytes become U+FFFD.
    static const char16_t high[32] = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
    QString text;
    text.reserve(bytes.size());
    for (const char b : bytes) {
        const auto c = uchar(b);
        text += c >= 0x80 && c < 0xA0 ? QChar(high[c - 0x80]) : QChar(c);
    }
    return text;
}
