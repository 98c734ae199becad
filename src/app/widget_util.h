#ifndef WIDGET_UTIL_H
#define WIDGET_UTIL_H

#include <QStatusBar>
#include <QString>

#include <initializer_list>

class QHBoxLayout;
class QPushButton;
class QWidget;

// Every widget the window builds carries its member name as object name,
// so that tests and the style sheet can address it.
template<typename Widget> Widget *named(Widget *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QPushButton *make_button(const QString &text, const char *name);

// A row of buttons that start operations, in a widget of its own: the
// operation guard disables the whole row at once, which leaves each
// button's own enabled state alone.
QWidget *make_ops_row(const char *name, std::initializer_list<QPushButton *> buttons);

// The same over several lines of at most `per_line` buttons, in reading
// order, for rows too long for the width they get.
QWidget *make_ops_grid(const char *name, std::initializer_list<QPushButton *> buttons,
                       int per_line);

// A row of buttons as it stands at the foot of a page: the row, then a
// stretch that keeps the buttons to the left.
QHBoxLayout *button_bar(QWidget *row);

// The status bar of the window: an operation's outcome on the left, the
// connection on the right. An outcome too long for the room between them
// is cut with "…" short of the connection, never run into it, and shown
// whole in the bar's tooltip.
class StatusBar : public QStatusBar
{
    Q_OBJECT

public:
    explicit StatusBar(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

#endif
