#ifndef USER_CSV_H
#define USER_CSV_H

#include <QString>

class QIODevice;
class QTextStream;
class UserRow;

// The users CSV file: a header line, then one record a line, nine fields
// joined by " ; " (id, owner id, category word, quoted name, quoted number,
// remaining hours, start hour, end hour, days), line feeds only, in the
// local 8-bit encoding.

// "id_user ; id_padre ; categoria ; nombre ; numero ; hrs_reman ; rh_ini ;
// rh_fin ; rd"
QString users_csv_header();

// A file is taken for a users file when its first line begins with "id_user";
// the rest of the header is not looked at.
bool is_users_csv_header(const QString &line);

// "admin", "user", "guest"; empty for a category that has no word, so that
// the line keeps its nine fields.
QString csv_category_word(int categoria);

// A name or number as it goes between the quotes of its field: quotes become
// blanks and semicolons underscores (neither can then break the line), white
// space at both ends goes. Works on a copy: the record is not touched.
QString csv_text(const QString &value);

// The record's line, without its line feed.
QString csv_user_line(const UserRow &u);

// A new record from one line, owned by the caller. Any line gives a record:
// missing fields keep the defaults of a new record, numbers that do not read
// are 0, unknown category words leave a visitor. The record takes an id from
// UserRow::id_siguiente, and the id read moves the counter past it.
UserRow *parse_csv_user(const QString &line);

// The stream writes the file's encoding, the local 8-bit one, whichever Qt
// it is built against.
void use_csv_encoding(QTextStream &out);

// The lines of a users file, each without its terminator (LF or CR LF).
// Bytes are the local 8-bit encoding, or UTF-8 when the file starts with a
// UTF-8 byte-order mark. A line longer than max_line bytes is cut there and
// the rest of it is skipped, so that a file that is not text costs bounded
// memory per line.
class UsersCsvReader
{
public:
    static constexpr int max_line = 4096;

    explicit UsersCsvReader(QIODevice *device) : device(device) { }

    // False at the end of the file.
    bool next(QString *line);

private:
    QIODevice *device = nullptr;
    bool first = true;
    bool utf8 = false;
    bool cut = false;
};

#endif
