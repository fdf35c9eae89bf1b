#pragma once

#include <QCalendarWidget>

namespace tarvo {

// The date window's month calendar. It is driven like the control it stands in for: year,
// month and day are set one after the other, and it shows that month with that day selected.
class MonthCalendar : public QCalendarWidget {
    Q_OBJECT
public:
    explicit MonthCalendar(QWidget* parent = nullptr);

    // Each keeps the other two fields; a day beyond the new month's end becomes its last day.
    // Values that name no date are ignored.
    void setYear(int year);
    void setMonth(int month);
    void setDay(int day);

    // Property 19 of the control: the first day of the week, 1 = Sunday ... 7 = Saturday.
    // Other values are ignored.
    void setFirstDay(int day);

    int year() const { return selectedDate().year(); }
    int month() const { return selectedDate().month(); }
    int day() const { return selectedDate().day(); }

protected:
    void changeEvent(QEvent* event) override;

private:
    void showDate(int year, int month, int day);
    // Dark arrows of its own on the grey title row: a dark desktop theme's light arrows
    // would vanish on it.
    void drawArrows();
};

} // namespace tarvo
