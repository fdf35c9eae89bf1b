#include "calendar/hijri_reckoning.h"

#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <cmath>
#include <cstring>
#include <memory>

namespace tarvo::detail {

namespace {

constexpr double MsPerDay = 86400000.0;
// Julian Day Number of 1970-01-01, ICU's zero.
constexpr qint64 UnixEpochJulianDay = 2440588;

// One calendar object, made once: creating ICU calendars is costly and everything runs on the
// GUI thread. Null when ICU lacks the calendar, and then every Hijri date fails.
icu::Calendar* umalqura() {
    static const std::unique_ptr<icu::Calendar> calendar = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Calendar> made(icu::Calendar::createInstance(
            icu::TimeZone::getGMT()->clone(), icu::Locale("en@calendar=islamic-umalqura"), status));
        if (U_FAILURE(status) || !made || std::strcmp(made->getType(), "islamic-umalqura") != 0)
            return std::unique_ptr<icu::Calendar>();
        // Not lenient: the 30th of a 29-day month must fail instead of becoming the 1st.
        made->setLenient(false);
        return made;
    }();
    return calendar.get();
}

} // namespace

std::optional<QDate> hijriDay(const CalendarDate& date) {
    icu::Calendar* calendar = umalqura();
    if (!calendar)
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    calendar->clear();
    calendar->set(UCAL_EXTENDED_YEAR, date.year);
    calendar->set(UCAL_MONTH, date.month - 1);
    calendar->set(UCAL_DATE, date.day);
    const UDate ms = calendar->getTime(status);
    if (U_FAILURE(status))
        return std::nullopt;
    const QDate day = QDate::fromJulianDay(qint64(std::floor(ms / MsPerDay)) + UnixEpochJulianDay);
    // Reading the day back guards against any field that ICU accepted by carrying it over.
    const auto back = hijriDateOfDay(day);
    if (!back || !(*back == date))
        return std::nullopt;
    return day;
}

std::optional<CalendarDate> hijriDateOfDay(QDate day) {
    icu::Calendar* calendar = umalqura();
    if (!calendar || !day.isValid())
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    // Noon keeps the day clear of any rounding at midnight.
    calendar->setTime((double(day.toJulianDay() - UnixEpochJulianDay) + 0.5) * MsPerDay, status);
    CalendarDate date;
    date.year = calendar->get(UCAL_EXTENDED_YEAR, status);
    date.month = calendar->get(UCAL_MONTH, status) + 1;
    date.day = calendar->get(UCAL_DATE, status);
    if (U_FAILURE(status))
        return std::nullopt;
    return date;
}

} // namespace tarvo::detail
