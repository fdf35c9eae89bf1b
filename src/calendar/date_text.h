#pragma once

#include "calendar/calendar_reckoning.h"

#include <QString>
#include <QStringView>

#include <optional>

namespace tarvo {

// The pattern of every date text the program writes: two-digit day, "/", two-digit month, "/",
// four-digit year, so that characters 1-2, 4-5 and 7-10 always hold day, month and year.
inline constexpr QStringView DatePattern = u"dd/mm/yyyy";

// Reads "dd/mm/yyyy" and its short forms with one-digit day or month ("7/4/2017"); the year has
// four digits. Only ASCII digits count; blanks around the text are ignored. The fields are not
// checked against a calendar here.
std::optional<CalendarDate> readDateText(QStringView text);

// Writes the fields with a pattern built of d, dd, m, mm, yy and yyyy (either case); any other
// character stands for itself. Digits are always ASCII, whatever the user's locale writes, since
// the date lines rely on character positions. Nothing for a pattern element it does not know
// ("ddd", "mmmm") or a year that "yyyy" cannot hold in four digits.
std::optional<QString> writeDateText(const CalendarDate& date, QStringView pattern);

} // namespace tarvo
