#pragma once

#include <cstdint>

namespace tarvo {

// The calendar under which a date text is read or written.
enum class CalendarKind : std::int16_t {
    Gregorian = 0,
    Hijri = 1,
};

// The process-wide calendar under which date texts are parsed and rendered; Gregorian at start.
CalendarKind CurrentCalendar();

// Sets CurrentCalendar for the guard's lifetime and puts the previous value back when the guard
// goes, however the scope is left. It is the only way to change CurrentCalendar.
class CurrentCalendarScope {
public:
    explicit CurrentCalendarScope(CalendarKind kind);
    ~CurrentCalendarScope();
    CurrentCalendarScope(const CurrentCalendarScope&) = delete;
    CurrentCalendarScope& operator=(const CurrentCalendarScope&) = delete;

    // Changes the calendar again within the same scope; the value restored stays the one of entry.
    void set(CalendarKind kind);

private:
    CalendarKind previous_;
};

} // namespace tarvo
