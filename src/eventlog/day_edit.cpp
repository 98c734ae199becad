#include "day_edit.h"

#include "log_filter.h"

#include <QAction>
#include <QCalendarWidget>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QWidgetAction>

namespace {

const QString shown_form = QStringLiteral("dd/MM/yyyy");

// A small calendar sheet: a dark band over a grid of days.
QIcon calendar_icon()
{
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setPen(QColor(0xb1, 0xb1, 0xb1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(1, 2, 13, 12);
    p.fillRect(1, 2, 14, 4, QColor(0xd7, 0x80, 0x1a));
    for (int y = 8; y <= 12; y += 3) {
        for (int x = 3; x <= 12; x += 3)
            p.fillRect(x, y, 2, 2, QColor(0xb1, 0xb1, 0xb1));
    }
    return QIcon(picture);
}

} // namespace

DayEdit::DayEdit(const QString &hint, QWidget *parent) : QLineEdit(parent)
{
    setPlaceholderText(hint);
    // Only what a day is written with can be typed.
    setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9/.-]{0,10}")), this));
    // Room for a whole day and the calendar button, however the style pads.
    setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000")) + 44);
    QAction *pick = addAction(calendar_icon(), QLineEdit::TrailingPosition);
    pick->setToolTip(QStringLiteral("Elegir en el calendario (Alt+Abajo)"));
    connect(pick, &QAction::triggered, this, &DayEdit::open_calendar);
    connect(this, &QLineEdit::editingFinished, this, &DayEdit::take_typed);
    // An empty field is no bound at once, before the edit is finished.
    connect(this, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (text.isEmpty())
            setDate(QDate());
    });

    popup = new QMenu(this);
    calendar = new QCalendarWidget;
    calendar->setObjectName(QStringLiteral("calendar"));
    calendar->setLocale(QLocale(QLocale::Spanish, QLocale::Spain));
    calendar->setFirstDayOfWeek(Qt::Monday);
    calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    calendar->setGridVisible(true);
    auto *holder = new QWidgetAction(popup);
    holder->setDefaultWidget(calendar);
    popup->addAction(holder);
    connect(calendar, &QCalendarWidget::clicked, this, [this](const QDate &date) {
        popup->close();
        setDate(date);
    });
    connect(calendar, &QCalendarWidget::activated, this, [this](const QDate &date) {
        popup->close();
        setDate(date);
    });
}

void DayEdit::setDate(const QDate &date)
{
    const QDate was = day;
    day = date.isValid() ? date : QDate();
    const QString text = day.isValid() ? day.toString(shown_form) : QString();
    if (this->text() != text)
        setText(text);
    if (day != was)
        emit dateChanged(day);
}

void DayEdit::take_typed()
{
    if (text().trimmed().isEmpty()) {
        setDate(QDate());
        return;
    }
    const QDate typed = read_day(text());
    // Not a day: the field shows again the day that stands.
    if (!typed.isValid())
        setText(day.isValid() ? day.toString(shown_form) : QString());
    else
        setDate(typed);
}

void DayEdit::keyPressEvent(QKeyEvent *event)
{
    // As in a date box: Alt+Down or F4 opens the calendar.
    if ((event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier))
        || event->key() == Qt::Key_F4) {
        open_calendar();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void DayEdit::open_calendar()
{
    // The calendar opens at the day shown, or else where the log ends.
    const QDate at = day.isValid() ? day : start.isValid() ? start : QDate::currentDate();
    calendar->setSelectedDate(at);
    calendar->setCurrentPage(at.year(), at.month());
    popup->popup(mapToGlobal(rect().bottomLeft()));
    calendar->setFocus();
}
