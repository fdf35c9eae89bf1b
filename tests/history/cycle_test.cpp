#include "history/cycle.h"

#include <gtest/gtest.h>

using namespace tarvo;

namespace {

QDate d(int y, int m, int day) {
    return QDate(y, m, day);
}

} // namespace

TEST(CycleTest, StartsOnTheCycleDayOfThisMonthOnceReached) {
    EXPECT_EQ(cycleStart(d(2026, 5, 20), 15), d(2026, 5, 15));
    EXPECT_EQ(nextCycleStart(d(2026, 5, 20), 15), d(2026, 6, 15));
}

TEST(CycleTest, BeforeTheCycleDayTheCycleBeganLastMonth) {
    EXPECT_EQ(cycleStart(d(2026, 5, 3), 15), d(2026, 4, 15));
    EXPECT_EQ(nextCycleStart(d(2026, 5, 3), 15), d(2026, 5, 15));
    // Across the turn of the year.
    EXPECT_EQ(cycleStart(d(2027, 1, 10), 25), d(2026, 12, 25));
    EXPECT_EQ(nextCycleStart(d(2027, 1, 10), 25), d(2027, 1, 25));
    EXPECT_EQ(nextCycleStart(d(2016, 12, 20), 15), d(2017, 1, 15));
}

TEST(CycleTest, ACycleStartingTodayStartsToday) {
    EXPECT_EQ(cycleStart(d(2026, 3, 1), 1), d(2026, 3, 1));
    EXPECT_EQ(nextCycleStart(d(2026, 3, 1), 1), d(2026, 4, 1));
    EXPECT_EQ(cycleStart(d(2026, 7, 31), 31), d(2026, 7, 31));
}

TEST(CycleTest, Day31InFebruaryIsItsLastDay) {
    EXPECT_EQ(cycleStart(d(2026, 2, 28), 31), d(2026, 2, 28));
    EXPECT_EQ(cycleStart(d(2028, 2, 29), 31), d(2028, 2, 29)); // leap year
    EXPECT_EQ(cycleStart(d(2028, 2, 28), 31), d(2028, 1, 31));
    EXPECT_EQ(nextCycleStart(d(2026, 1, 31), 31), d(2026, 2, 28));
    EXPECT_EQ(nextCycleStart(d(2026, 2, 28), 31), d(2026, 3, 31));
    // 30 April, then 31 May: the cycle day comes back once the month has it.
    EXPECT_EQ(cycleStart(d(2026, 5, 10), 31), d(2026, 4, 30));
    EXPECT_EQ(nextCycleStart(d(2026, 5, 10), 31), d(2026, 5, 31));
    EXPECT_EQ(nextCycleStart(d(2026, 3, 31), 31), d(2026, 4, 30));
    EXPECT_EQ(cycleStart(d(2026, 3, 29), 30), d(2026, 2, 28));
}

TEST(CycleTest, CycleDaysOutsideTheMonthAreTakenAsTheNearerEnd) {
    EXPECT_EQ(cycleStart(d(2026, 5, 3), 0), d(2026, 5, 1));
    EXPECT_EQ(cycleStart(d(2026, 5, 3), -4), d(2026, 5, 1));
    EXPECT_EQ(cycleStart(d(2026, 5, 3), 40), d(2026, 4, 30));
}

TEST(CycleTest, ProjectionScalesTheUseToTheWholeCycle) {
    // 10 days of a 30-day cycle elapsed (today included): three times the use so far.
    EXPECT_EQ(projectedUse(1000, d(2026, 4, 1), d(2026, 4, 10), d(2026, 5, 1)), 3000u);
    // The first day of the cycle: one day of 28.
    EXPECT_EQ(projectedUse(7, d(2026, 2, 1), d(2026, 2, 1), d(2026, 3, 1)), 196u);
    // The last day: the use itself.
    EXPECT_EQ(projectedUse(555, d(2026, 2, 1), d(2026, 2, 28), d(2026, 3, 1)), 555u);
    // Rounded down: 100 over 3 days times 31 is 1033.33.
    EXPECT_EQ(projectedUse(100, d(2026, 1, 1), d(2026, 1, 3), d(2026, 2, 1)), 1033u);
    EXPECT_EQ(projectedUse(0, d(2026, 1, 1), d(2026, 1, 3), d(2026, 2, 1)), 0u);
}

TEST(CycleTest, ProjectionOfHugeUseDoesNotOverflow) {
    const std::uint64_t used = 0xFFFFFFFFFFFFFFF0ull / 31; // 31 times fits in 64 bits
    EXPECT_EQ(projectedUse(used, d(2026, 1, 1), d(2026, 1, 1), d(2026, 2, 1)), used * 31);
    // 2^60 * 31 / 3 does not fit while it is worked out, but the result does.
    EXPECT_EQ(projectedUse(std::uint64_t(1) << 60, d(2017, 3, 1), d(2017, 3, 3), d(2017, 4, 1)),
              11913522214270752085ull);
}

TEST(CycleTest, TodayOutsideTheCycleProjectsTheUseItself) {
    EXPECT_EQ(projectedUse(42, d(2026, 4, 1), d(2026, 3, 30), d(2026, 5, 1)), 42u);
    EXPECT_EQ(projectedUse(42, d(2026, 4, 1), d(2026, 5, 2), d(2026, 5, 1)), 42u);
}
