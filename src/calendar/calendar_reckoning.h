#pragma once

#include "calendar/calendar_kind.h"

#include <QDate>

#include <optional>

namespace tarvo {

// A day as one calendar names it: year, month 1-12, day of the month.
struct CalendarDate {
    int year = 0;
    int month = 0;
    int day = 0;
    friend bool operator==(const CalendarDate&, const CalendarDate&) = default;
};

// Both calendars are kept to the years that a four-digit date text can hold.
inline constexpr int FirstYear = 1;
inline constexpr int LastYear = 9999;

// The day (QDate serves as the calendar-independent day value) that the calendar names by
// these fields; nothing when the calendar has no such day (month 13, the 30th of a 29-day
// month, a year outside FirstYear..LastYear). Nothing is ever carried over into the next month.
std::optional<QDate> dayOfCalendarDate(CalendarKind calendar, const CalendarDate& date);

// The fields of a day in the calendar; nothing when the day lies outside the calendar's years.
std::optional<CalendarDate> calendarDateOfDay(CalendarKind calendar, QDate day);

} // namespace tarvo
