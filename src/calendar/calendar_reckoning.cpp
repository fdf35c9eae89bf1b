#include "calendar/calendar_reckoning.h"

#include "calendar/hijri_reckoning.h"

namespace tarvo {

namespace {

bool yearInRange(int year) {
    return year >= FirstYear && year <= LastYear;
}

// QDate is the proleptic Gregorian calendar and refuses days that do not exist.
std::optional<QDate> gregorianDay(const CalendarDate& date) {
    if (!yearInRange(date.year))
        return std::nullopt;
    const QDate day(date.year, date.month, date.day);
    if (!day.isValid())
        return std::nullopt;
    return day;
}

std::optional<CalendarDate> gregorianDateOfDay(QDate day) {
    if (!day.isValid() || !yearInRange(day.year()))
        return std::nullopt;
    return CalendarDate{day.year(), day.month(), day.day()};
}

} // namespace

std::optional<QDate> dayOfCalendarDate(CalendarKind calendar, const CalendarDate& date) {
    switch (calendar) {
    case CalendarKind::Gregorian:
        return gregorianDay(date);
    case CalendarKind::Hijri:
        if (!yearInRange(date.year))
            return std::nullopt;
        return detail::hijriDay(date);
    }
    return std::nullopt;
}

std::optional<CalendarDate> calendarDateOfDay(CalendarKind calendar, QDate day) {
    if (!day.isValid())
        return std::nullopt;
    switch (calendar) {
    case CalendarKind::Gregorian:
        return gregorianDateOfDay(day);
    case CalendarKind::Hijri: {
        auto date = detail::hijriDateOfDay(day);
        if (date && !yearInRange(date->year))
            return std::nullopt;
        return date;
    }
    }
    return std::nullopt;
}

} // namespace tarvo
