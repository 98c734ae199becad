#include "csv_file.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {
const char *const caption = "Elejir Archivo";
const char *const filter = "Texto separado (*.csv)";
} // namespace

QString choose_csv_to_save(QWidget *parent)
{
    const QString chosen = QFileDialog::getSaveFileName(
        parent, QString::fromUtf8(caption), QDir::currentPath(), QString::fromUtf8(filter));
    if (chosen.isEmpty())
        return chosen;
    // The dialog asked about the name it was given; the extension makes it
    // another file, which may exist as well.
    const QString name = with_csv_extension(chosen);
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
    return QFileDialog::getOpenFileName(parent, QString::fromUtf8(caption), QDir::currentPath(),
                                        QString::fromUtf8(filter));
}

QString with_csv_extension(const QString &name)
{
    if (name.endsWith(QLatin1String(".csv")) || name.endsWith(QLatin1String(".CSV")))
        return name;
    return name + QLatin1String(".csv");
}

void show_file_error(QWidget *parent, const QString &text)
{
    QMessageBox::critical(parent, QStringLiteral("Error"), text);
}
