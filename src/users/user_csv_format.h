#ifndef USER_CSV_FORMAT_H
#define USER_CSV_FORMAT_H

#include "user_record.h"

#include <QString>

class QTextStream;

// How the users file writes a record: a header line, then one record a
// line, nine fields joined by " ; ", line feeds only, in the local 8-bit
// encoding.

// "id_user ; id_padre ; categoria ; nombre ; numero ; hrs_reman ; rh_ini ;
// rh_fin ; rd"
QString users_csv_header();

// "admin", "user", "guest"; empty for a category that has no word, so that
// the line keeps its nine fields.
QString csv_category_word(int categoria);

// A name or number between the double quotes of its field, a quote inside
// doubled: a spreadsheet and the reader give the text back as it was, ";"
// included.
QString csv_quoted(const QString &value);

// The record's line, without its line feed.
QString csv_user_line(const UserRecord &u);

// The stream writes the file's encoding, the local 8-bit one, whichever Qt
// it is built against.
void use_csv_encoding(QTextStream &out);

// The whole file for `records`, in that order.
QString users_csv_text(const QList<UserRecord> &records);

#endif
