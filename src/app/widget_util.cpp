#include "widget_util.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>

QPushButton *make_button(const QString &text, const char *name)
{
    return named(new QPushButton(text), name);
}

QWidget *make_ops_row(const char *name, std::initializer_list<QPushButton *> buttons)
{
    auto *row = named(new QWidget, name);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QPushButton *button : buttons)
        layout->addWidget(button);
    return row;
}

QWidget *make_ops_grid(const char *name, std::initializer_list<QPushButton *> buttons, int per_line)
{
    auto *grid_widget = named(new QWidget, name);
    auto *grid = new QGridLayout(grid_widget);
    grid->setContentsMargins(0, 0, 0, 0);
    int i = 0;
    for (QPushButton *button : buttons) {
        grid->addWidget(button, i / per_line, i % per_line);
        ++i;
    }
    return grid_widget;
}

QHBoxLayout *button_bar(QWidget *row)
{
    auto *bar = new QHBoxLayout;
    bar->addWidget(row);
    bar->addStretch();
    return bar;
}
