#ifndef USER_CSV_H
#define USER_CSV_H

#include "user_csv_format.h"
#include "user_row.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QIODevice;
class QTextStream;

// The users CSV file: a header line, then one record a line, nine fields
// joined by " ; " (id, owner id, category word, quoted name, quoted number,
// remaining hours, start hour, end hour, days), line feeds only, in the
// local 8-bit encoding. It is read as spreadsheets save it as well: "," for
// a separator, a UTF-8 byte-order mark, CR LF, numbers without their "+".

// The separator of a users file by its header: the nine column names, in
// order, separated by ";" or by "," (as a spreadsheet saves it), blanks
// around the names aside. A null character when the line is no such header.
QChar users_csv_separator(const QString &header);

// The fields of a line split at `separator`. A field between double quotes
// may hold the separator, and two quotes in a row there stand for one; blanks
// around a field are dropped.
QStringList split_csv_fields(const QString &line, QChar separator);

// One record line of a file as read: the record, or why it is refused, and
// what the reading mended on the way. A row that reads is one the controller
// can hold: a name of 1 to 15 of its characters, a number "+" and up to 19
// digits, hours and days in their ranges.
struct CsvRow
{
    int line = 0; // in the file, the header being line 1
    std::unique_ptr<UserRow> record;
    QString refused;
    // As the file wrote them, when the number got its "+" back or the name
    // had its accents folded; empty otherwise.
    QString number_written;
    QString name_written;
};

// A record line. A blank or zero id reads as 0, for the import to give it a
// free one. Blank and missing fields after the number keep the defaults of a
// new record.
CsvRow read_csv_row(const QString &line, QChar separator);

// A whole users file: no rows and `header_ok` false when the first line is
// not the header; blank lines hold no row.
struct UsersCsvFile
{
    bool header_ok = false;
    bool windows_1252 = false;
    std::vector<CsvRow> rows;
};
UsersCsvFile read_users_csv(QIODevice *device);

// What an import does, row by row, for its verdict and its report.
struct ImportCounts
{
    int added = 0;
    int changed = 0;
    int same = 0;
    int refused = 0;
    int mended = 0;
    int folded = 0;
    int overwritten = 0;       // changes not yet synchronised that the file replaces
    bool windows_1252 = false; // the file was not UTF-8
    // "Línea 4: Ana (+56922222222) pasa a Casa 9 (+56999999999)".
    QStringList moved;
    // The people of the directory whom the file does not name: an import
    // adds and changes, it never deletes.
    int kept = 0;
    // "Línea 45: el nombre «…» tiene más de 15 caracteres", a line a row.
    QStringList refusals;
    // "Línea 3: 56933333333 → +56933333333", "Línea 3: Peña → Pena".
    QStringList mended_numbers;
    QStringList folded_names;
    // "Casa 5 (+56911111111)", a line a person kept.
    QStringList kept_people;

    // Counts the row as refused, mended or folded; the caller counts it as
    // new, changed or the same.
    void note(const CsvRow &row);
    // The outcome in one short line, for the status bar: new, changed, the
    // same, refused.
    QString summary() const;
};

// The verdict an import shows before anything changes, what needs the user
// first: the refused rows with their lines and reasons (the first few; all
// of them in the details), then what changes and whom the file leaves as
// they are, then how many numbers and names were mended, listed in the
// details.
struct ImportVerdict
{
    QString text;
    QString details;
};
ImportVerdict import_verdict(const QString &file, const ImportCounts &counts);

// The lines of a users file, each without its terminator (LF or CR LF).
// Bytes are UTF-8, or Windows-1252 in a line that is not UTF-8. A line longer than max_line bytes
// is cut there and the rest of it is skipped, so that a file that is not text costs bounded memory
// per line.
class UsersCsvReader
{
public:
    static constexpr int max_line = 4096;

    explicit UsersCsvReader(QIODevice *device) : device(device) { }

    // False at the end of the file.
    bool next(QString *line);
    // Whether a line was not UTF-8, and was read as Windows-1252.
    bool read_windows_1252() const { return windows_1252; }

private:
    QIODevice *device = nullptr;
    bool first = true;
    bool utf8 = false;
    bool cut = false;
    bool windows_1252 = false;
};

// Whether the bytes are well-formed UTF-8 (ASCII is).
bool is_utf8(const QByteArray &bytes);
// The text of bytes in Windows-1252, the code page Windows uses for Spanish.
QString from_windows_1252(const QByteArray &bytes);

#endif
