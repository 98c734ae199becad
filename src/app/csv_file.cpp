#include "csv_file.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace {
const char *const caption = "Elejir Archivo";
const char *const filter = "Texto separado (*.csv)";
} // namespace

QString choose_csv_to_save(QWidget *parent)
{
    const QString name = QFileDialog::getSaveFileName(
        parent, QString::fromUtf8(caption), QDir::currentPath(), QString::fromUtf8(filter));
    if (name.isEmpty())
        return name;
    return with_csv_extension(name);
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
