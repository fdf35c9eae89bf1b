#pragma once

#include "calendar/calendar_reckoning.h"

namespace tarvo::detail {

// The Umm al-Qura calendar, the official Hijri calendar (ICU "islamic-umalqura").
std::optional<QDate> hijriDay(const CalendarDate& date);
std::optional<CalendarDate> hijriDateOfDay(QDate day);

} // namespace tarvo::detail
