#pragma once

#include <QDate>

#include <cstdint>

namespace tarvo {

// The allowance's cycle begins on one day of each month (1 to 31); in a month shorter than
// that day it begins on the month's last day. A cycle day outside 1 to 31 is taken as the
// nearer end of that range.

// The first day of the cycle that today lies in.
QDate cycleStart(const QDate& today, int cycleDay);

// The first day of the cycle after the one that today lies in.
QDate nextCycleStart(const QDate& today, int cycleDay);

// The use to expect by the end of the cycle at today's pace: used over the days elapsed
// (today counts as a day) times the days of the cycle, rounded down. used itself when today
// lies outside the cycle.
std::uint64_t projectedUse(std::uint64_t used, const QDate& cycleStart, const QDate& today,
                           const QDate& nextCycleStart);

} // namespace tarvo
