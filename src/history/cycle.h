#pragma once

#include <QDate>

#include <cstdint>

namespace tarvo {

// The allowance starts again on cycleDay (1 to 31) of each month; in a shorter month on its
// last day.

// The first day of the cycle that today lies in.
QDate cycleStart(const QDate& today, int cycleDay);

// The first day of the cycle after the one that today lies in.
QDate nextCycleStart(const QDate& today, int cycleDay);

// The use at the end of the cycle if the rest of it goes on at its average daily rate so far
// (today counted as a whole day).
std::uint64_t projectedUse(std::uint64_t used, const QDate& cycleStart, const QDate& today,
                           const QDate& nextCycleStart);

} // namespace tarvo
