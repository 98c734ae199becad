#include "widget_util.h"

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

QHBoxLayout *button_bar(QWidget *row)
{
    auto *bar = new QHBoxLayout;
    bar->addWidget(row);
    bar->addStretch();
    return bar;
}
