#include "history/cycle.h"

#include <algorithm>

namespace tarvo {

namespace {

QDate startIn(int year, int month, int cycleDay) {
    const QDate first(year, month, 1);
    return first.addDays(std::min(std::clamp(cycleDay, 1, 31), first.daysInMonth()) - 1);
}

} // namespace

QDate cycleStart(const QDate& today, int cycleDay) {
    const QDate thisMonth = startIn(today.year(), today.month(), cycleDay);
    if (today >= thisMonth)
        return thisMonth;
    const QDate previous = today.addMonths(-1);
    return startIn(previous.year(), previous.month(), cycleDay);
}

QDate nextCycleStart(const QDate& today, int cycleDay) {
    const QDate following = cycleStart(today, cycleDay).addMonths(1);
    return startIn(following.year(), following.month(), cycleDay);
}

std::uint64_t projectedUse(std::uint64_t used, const QDate& cycleStart, const QDate& today,
                           const QDate& nextCycleStart) {
    const qint64 elapsed = cycleStart.daysTo(today) + 1;
    const qint64 length = cycleStart.daysTo(nextCycleStart);
    if (elapsed <= 0 || length <= 0)
        return used;
    const auto e = std::uint64_t(elapsed), n = std::uint64_t(length);
    // In two parts, so that a large use times the cycle's days cannot overflow.
    return used / e * n + used % e * n / e;
}

} // namespace tarvo
