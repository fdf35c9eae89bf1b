#pragma once

#include "calendar/calendar_kind.h"

#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tarvo {

class Clock;
class MonthCalendar;

// The date window: today's weekday, Gregorian and Hijri date lines and a month calendar. The
// converter controls (Text1, Text2, Option1, Option2, Command1, Command2) sit below the visible
// client area and are hidden; Form_Load runs the converter on today's date to get the Hijri line.
// A top-level, modeless window; the caller runs Form_Load before showing it.
class hijri : public QWidget {
    Q_OBJECT
public:
    // endProgram ends the whole program at once (the hidden "Exit" button).
    hijri(Clock& clock, std::function<void()> endProgram, QWidget* parent = nullptr);

    void Form_Load();
    void Command1_Click();
    void Command2_Click();

    // The window's public conversion operation; it uses nothing of the window.
    QString ConvertDateString(const QString& dateText, const CalendarKind& fromCalendar,
                              CalendarKind toCalendar, const QString& formatPattern) const;

    MonthCalendar* Calendar1;
    QLineEdit* Text4;
    QLineEdit* Text5;
    QLineEdit* Text3;
    QLabel* Label1;
    QLineEdit* Text1;
    QLineEdit* Text2;
    QPushButton* Command1;
    QPushButton* Command2;
    QRadioButton* Option1;
    QRadioButton* Option2;

private:
    Clock& clock_;
    std::function<void()> endProgram_;
};

} // namespace tarvo
