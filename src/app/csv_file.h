#ifndef CSV_FILE_H
#define CSV_FILE_H

#include <QString>

class QWidget;

// The file choice shared by every CSV import and export: caption "Elejir
// Archivo", the current directory, the single filter "Texto separado (*.csv)".
// Returns an empty string when the dialog was cancelled. A file to save gets
// the extension rule of with_csv_extension; when that names an existing file
// other than the one chosen, the user is asked before it is replaced, and a
// no is a cancel.
QString choose_csv_to_save(QWidget *parent);
QString choose_csv_to_open(QWidget *parent);
// The same for another kind of file: its filter, and the extension (".txt")
// that a name without it gets.
QString choose_file_to_save(QWidget *parent, const QString &file_filter, const QString &extension);

// ".csv" is appended unless the name already ends with ".csv" or ".CSV"
// (compared as written: any other spelling gets the extension too).
QString with_csv_extension(const QString &name);
QString with_extension(const QString &name, const QString &extension);

// The one message shown when a CSV file cannot be opened or read.
void show_file_error(QWidget *parent, const QString &text);

#endif
