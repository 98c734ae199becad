#include "widget_util.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>

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

StatusBar::StatusBar(QWidget *parent) : QStatusBar(parent)
{
    connect(this, &QStatusBar::messageChanged, this, &QWidget::setToolTip);
}

void StatusBar::paintEvent(QPaintEvent *)
{
    // The outcome and the permanent widgets only: the bar holds no widget
    // that the outcome would hide.
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_PanelStatusBar, &option, &painter, this);
    const QString message = currentMessage();
    if (message.isEmpty())
        return;
    const int gap = fontMetrics().horizontalAdvance(QStringLiteral("MM"));
    int right = width();
    for (const QWidget *child : findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (child->isVisible())
            right = qMin(right, child->x());
    }
    const QRect room(6, 0, qMax(0, right - gap - 6), height());
    painter.setPen(palette().windowText().color());
    painter.drawText(room, Qt::AlignLeading | Qt::AlignVCenter | Qt::TextSingleLine,
                     fontMetrics().elidedText(message, Qt::ElideRight, room.width()));
}
