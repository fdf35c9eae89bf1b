#include "history/cycle.h"

#include <algorithm>

namespace tarvo {

namespace {

// The cycle's first day within the month of monthDay.
QDate startInMonth(const QDate& monthDay, int cycleDay) {
    const QDate first(monthDay.year(), monthDay.month(), 1);
    const int day = std::clamp(cycleDay, 1, 31);
    return QDate(first.year(), first.month(), std::min(day, first.daysInMonth()));
}

} // namespace

QDate cycleStart(const QDate& today, int cycleDay) {
    const QDate thisMonth = startInMonth(today, cycleDay);
    if (today >= thisMonth)
        return thisMonth;
    return startInMonth(today.addMonths(-1), cycleDay);
}

QDate nextCycleStart(const QDate& today, int cycleDay) {
    const QDate start = cycleStart(today, cycleDay);
    return startInMonth(QDate(start.year(), start.month(), 1).addMonths(1), cycleDay);
}

std::uint64_t projectedUse(std::uint64_t used, const QDate& cycleStart, const QDate& today,
                           const QDate& nextCycleStart) {
    const qint64 elapsed = cycleStart.daysTo(today) + 1;
    const qint64 length = cycleStart.daysTo(nextCycleStart);
    if (elapsed <= 0 || length <= 0 || elapsed > length)
        return used;
    const auto e = static_cast<std::uint64_t>(elapsed);
    const auto n = static_cast<std::uint64_t>(length);
    // Split so that no product of large numbers overflows: the cycle has at most 31 days.
    return used / e * n + used % e * n / e;
}

} // namespace tarvo
