#include "calendar/date_conversion.h"

#include "calendar/calendar_reckoning.h"
#include "calendar/date_text.h"

namespace tarvo {

std::optional<QDate> parseDate(QStringView text, CalendarKind calendar) {
    const auto fields = readDateText(text);
    if (!fields)
        return std::nullopt;
    return dayOfCalendarDate(calendar, *fields);
}

std::optional<QString> renderDate(QDate day, CalendarKind calendar, QStringView pattern) {
    const auto fields = calendarDateOfDay(calendar, day);
    if (!fields)
        return std::nullopt;
    return writeDateText(*fields, pattern);
}

QString ConvertDateString(const QString& dateText, const CalendarKind& fromCalendar,
                          CalendarKind toCalendar, const QString& formatPattern) {
    CurrentCalendarScope scope(fromCalendar);
    const auto day = parseDate(dateText, CurrentCalendar());
    if (!day)
        throw DateConversionError("not a date of the source calendar: " + dateText.toStdString());

    scope.set(toCalendar);
    const auto rendered = renderDate(*day, CurrentCalendar(), DatePattern);
    if (!rendered)
        throw DateConversionError("the target calendar cannot write this day");

    // The pattern is applied to the rendered text read back under the same calendar.
    const auto reread = parseDate(*rendered, CurrentCalendar());
    const auto result =
        reread ? renderDate(*reread, CurrentCalendar(), formatPattern) : std::optional<QString>();
    if (!result)
        throw DateConversionError("cannot write the date with the pattern " +
                                  formatPattern.toStdString());
    return *result;
}

QString dateText(QDate day) {
    const auto text = renderDate(day, CurrentCalendar(), DatePattern);
    if (!text)
        throw DateConversionError("the current calendar cannot write this day");
    return *text;
}

int weekdayFromSunday(QDate day) {
    return day.dayOfWeek() % 7 + 1;
}

} // namespace tarvo
