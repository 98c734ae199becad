#ifndef TEXT_UTIL_H
#define TEXT_UTIL_H

#include <QByteArray>
#include <QString>

// White space removed at both ends, every inner run replaced by one blank.
QString fold(const QString &text);

// A base-10 integer with white space allowed around it; anything that is not
// a number reads as 0.
int read_decimal(const QString &text);

// A text without regard to case or accents, for finding: "Núñez" and
// "nunez" compare equal.
QString comparable(const QString &text);

// Letters with accents and a few look-alike signs brought to plain ASCII,
// as the controller stores names: "Peña" gives "Pena", "Straße" "Strasse",
// a no-break space a blank. Characters without such a form stay as they are.
QString fold_accents(const QString &text);

// A count as a sentence says it: counted(1, "registro nuevo", "registros
// nuevos") is "1 registro nuevo", with 0 or 2 and more the plural.
QString counted(int n, const QString &one, const QString &many);

// The first `shown` lines, one a line, then "… y N más" and `where` for
// the rest: what a message box can hold of a long list.
QString first_lines(const QStringList &lines, int shown, const QString &where = QString());

// A line as received from the controller: UTF-8 up to the first NUL byte.
QString decode_line(const QByteArray &raw);

#endif
