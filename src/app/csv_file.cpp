#include "csv_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>

namespace {
const char *const caption = "Elejir Archivo";
const char *const filter = "Texto separado (*.csv)";
const char *const folder_key = "files/folder";

// The folder of the last file chosen, for a program that keeps settings
// (one that named itself); otherwise the current directory.
QString start_folder()
{
    if (QCoreApplication::organizationName().isEmpty())
        return QDir::currentPath();
    return QSettings().value(QLatin1String(folder_key), QDir::currentPath()).toString();
}

void remember_folder(const QString &file)
{
    if (!file.isEmpty() && !QCoreApplication::organizationName().isEmpty())
        QSettings().setValue(QLatin1String(folder_key), QFileInfo(file).absolutePath());
}
} // namespace

QString choose_csv_to_save(QWidget *parent)
{
    return choose_file_to_save(parent, QString::fromUtf8(filter), QStringLiteral(".csv"));
}

QString choose_file_to_save(QWidget *parent, const QString &file_filter, const QString &extension)
{
    const QString chosen = QFileDialog::getSaveFileName(parent, QString::fromUtf8(caption),
                                                        start_folder(), file_filter);
    if (chosen.isEmpty())
        return chosen;
    remember_folder(chosen);
    // The dialog asked about the name it was given; the extension makes it
    // another file, which may exist as well.
    const QString name = with_extension(chosen, extension);
    if (name != chosen && QFileInfo::exists(name)) {
        const auto answer =
            QMessageBox::question(parent, QString::fromUtf8(caption),
                                  QStringLiteral("El archivo %1 ya existe. ¿Desea reemplazarlo?")
                                      .arg(QDir::toNativeSeparators(name)),
                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return QString();
    }
    return name;
}

QString choose_csv_to_open(QWidget *parent)
{
    const QString chosen = QFileDialog::getOpenFileName(parent, QString::fromUtf8(caption),
                                                        start_folder(), QString::fromUtf8(filter));
    remember_folder(chosen);
    return chosen;
}

QString with_csv_extension(const QString &name)
{
    return with_extension(name, QStringLiteral(".csv"));
}

QString with_extension(const QString &name, const QString &extension)
{
    if (name.endsWith(extension) || name.endsWith(extension.toUpper()))
        return name;
    return name + extension;
}

void show_file_error(QWidget *parent, const QString &text)
{
    QMessageBox::critical(parent, QStringLiteral("Error"), text);
}
