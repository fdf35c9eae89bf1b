#pragma once

#include "calendar/calendar_kind.h"
#include "calendar/date_text.h"

#include <QDate>
#include <QString>
#include <QStringView>

#include <optional>
#include <stdexcept>

namespace tarvo {

// A date text that is no date of its calendar, or a day that the target calendar cannot write.
class DateConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The one parse of a date text under a calendar ("dd/mm/yyyy", one-digit day and month too);
// nothing when the text names no day of that calendar.
std::optional<QDate> parseDate(QStringView text, CalendarKind calendar);

// The one rendering of a day under a calendar with a pattern (see writeDateText); nothing when
// the day lies outside the calendar's years or the pattern holds an unknown element.
std::optional<QString> renderDate(QDate day, CalendarKind calendar,
                                  QStringView pattern = DatePattern);

// Rewrites dateText, a date of fromCalendar, as the same day in toCalendar with formatPattern.
// CurrentCalendar is switched to the source calendar for the parse and to the target calendar
// for the rendering, and holds its old value again on return, a thrown error included.
// Throws DateConversionError; shows nothing itself.
QString ConvertDateString(const QString& dateText, const CalendarKind& fromCalendar,
                          CalendarKind toCalendar, const QString& formatPattern);

// A day as date text under CurrentCalendar, "dd/mm/yyyy", the form ConvertDateString reads back.
// Throws DateConversionError for a day the current calendar cannot write.
QString dateText(QDate day);

// The weekday counted from Sunday: 1 = Sunday ... 7 = Saturday.
int weekdayFromSunday(QDate day);

} // namespace tarvo
