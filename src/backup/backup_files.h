#ifndef BACKUP_FILES_H
#define BACKUP_FILES_H

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

// The folder of one backup: "<installation>-<yyyyMMdd-HHmmss>", with what a
// file name cannot hold in the installation's name replaced by "_" (and
// "controlador" for a controller without a name).
QString backup_folder_name(const QString &installation, const QDateTime &at);

// "parametros.csv": one line per parameter, "NN;value", the value as the
// controller sends it (a text between double quotes), line feeds only.
QByteArray params_csv(const QVector<QString> &values);
// The values of such a file by parameter number, read as the controller's
// own answer would be; a number the file lacks stays empty.
QVector<std::optional<QString>> params_from_csv(const QStringList &lines);

#endif
