#ifndef DAY_EDIT_H
#define DAY_EDIT_H

#include <QDate>
#include <QLineEdit>

class QCalendarWidget;
class QMenu;

// A day of the log's range, typed ("06/03/2024", "2024-03-06") or picked
// from a Spanish calendar; empty means no bound. A typed text that is no day
// gives way to the day shown before.
class DayEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit DayEdit(const QString &hint, QWidget *parent = nullptr);

    QDate date() const { return day; }
    // A null date empties the field.
    void setDate(const QDate &date);
    // The month the calendar opens at while no day is chosen.
    void setCalendarStart(const QDate &date) { start = date; }

signals:
    void dateChanged(const QDate &date);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void take_typed();
    void open_calendar();

    QDate day;
    QDate start;
    QMenu *popup = nullptr;
    QCalendarWidget *calendar = nullptr;
};

#endif
