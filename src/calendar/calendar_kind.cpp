#include "calendar_kind.h"

namespace tarvo {

namespace {
// Only the GUI thread reads and writes dates, so the setting needs no lock.
CalendarKind currentCalendar = CalendarKind::Gregorian;
} // namespace

CalendarKind CurrentCalendar() {
    return currentCalendar;
}

CurrentCalendarScope::CurrentCalendarScope(CalendarKind kind) : previous_(currentCalendar) {
    currentCalendar = kind;
}

CurrentCalendarScope::~CurrentCalendarScope() {
    currentCalendar = previous_;
}

void CurrentCalendarScope::set(CalendarKind kind) {
    currentCalendar = kind;
}

} // namespace tarvo
