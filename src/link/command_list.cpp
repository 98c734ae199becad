#include "command_list.h"

#include "controller_commands.h"
#include "widget_util.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

QDialog *make_command_list(QWidget *parent)
{
    auto *dialog = named(new QDialog(parent), "commands_dialog");
    dialog->setWindowTitle(QStringLiteral("Órdenes del controlador"));
    auto *intro = named(
        new QLabel(QStringLiteral("Se escriben en la consola y se envían con Enter. Tab completa "
                                  "el nombre de la orden; \"?\" y Enter muestran esta lista.")),
        "commands_intro");
    intro->setWordWrap(true);

    const QVector<ControllerCommand> &commands = controller_commands();
    auto *table = named(new QTableWidget(int(commands.size()), 3), "commands_table");
    table->setHorizontalHeaderLabels(
        {QStringLiteral("Orden"), QStringLiteral("Qué hace"), QStringLiteral("Qué responde")});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setWordWrap(true);
    for (int row = 0; row < commands.size(); ++row) {
        const ControllerCommand &command = commands.at(row);
        const QString line = (command.name() + QLatin1Char(' ') + command.arguments).trimmed();
        const QStringList cells{line, command.does, command.answers};
        for (int column = 0; column < cells.size(); ++column)
            table->setItem(row, column, new QTableWidgetItem(cells.at(column)));
    }
    table->setColumnWidth(0, 260);
    table->setColumnWidth(1, 300);
    table->horizontalHeader()->setStretchLastSection(true);
    // Each row as tall as its wrapped texts, whatever width the window gets.
    table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);

    auto *buttons = named(new QDialogButtonBox(QDialogButtonBox::Close), "commands_buttons");
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Cerrar"));
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::hide);

    auto *layout = new QVBoxLayout(dialog);
    layout->addWidget(intro);
    layout->addWidget(table);
    layout->addWidget(buttons);
    dialog->resize(900, 620);
    return dialog;
}
