#include "router/router_rules.h"

#include <gtest/gtest.h>

#include <numeric>

namespace tarvo {
namespace {

using Kind = RouterMinute::Kind;
constexpr std::uint64_t k2_31 = std::uint64_t(1) << 31;
constexpr std::uint64_t k2_32 = std::uint64_t(1) << 32;

const QDateTime kNoon(QDate(2026, 3, 2), QTime(12, 0, 30), Qt::UTC);

RouterReading reading(std::uint64_t received, std::uint64_t sent, qint64 uptime, qint64 at,
                      std::uint64_t speed = 100'000'000) {
    RouterReading r;
    r.udn = QStringLiteral("uuid:home");
    r.received = received;
    r.sent = sent;
    r.uptime = uptime;
    r.lineSpeed = speed;
    r.time = kNoon.addSecs(at);
    return r;
}

RouterState keptAfter(const RouterReading& r, bool wide = false) {
    RouterState s;
    s.last = r;
    s.wide = wide;
    s.movedAt = r.time;
    return s;
}

std::pair<std::uint64_t, std::uint64_t> sums(const RouterStep& step) {
    std::uint64_t r = 0, s = 0;
    for (const RouterMinute& m : step.minutes) {
        r += m.received;
        s += m.sent;
    }
    return {r, s};
}

TEST(RouterRules, CountersThatFallWhileTheRouterStaysUp) {
    struct Case {
        const char* what;
        std::uint64_t before, after;
        bool wide;
        std::uint64_t growth;
    } cases[] = {
        // 296 bytes to the wrap, 704 after it.
        {"32-bit wrap", k2_32 - 296, 704, false, 1000},
        // Signed counters read modulo 2^32: -1 is 2^32 - 1, and crossing 2^31 is no fall.
        {"signed past 2 GiB", k2_31 - 100, k2_31 + 4900, false, 5000},
        {"signed -1 wraps", k2_32 - 1, 999, false, 1000},
        // A 64-bit counter that falls started again from 0.
        {"64-bit back to 0", 5'000'000'000, 1000, true, 1000},
        {"64-bit at the top", ~std::uint64_t(0) - 9, ~std::uint64_t(0), true, 9},
        {"64-bit past the top", ~std::uint64_t(0), 5, true, 5},
        // 32-bit back near 0 with no wrap possible in 10 s at 100 Mbit/s: a reconnect.
        {"32-bit reset", 3'000'000'000, 4000, false, 4000},
        // A little step back is no 4 GiB wrap and counts nothing.
        {"32-bit step back", 3'000'000'000, 2'999'999'000, false, 0},
        {"64-bit step back", 9'000'000'000, 8'999'000'000, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RouterStep step = judgeReading(keptAfter(reading(c.before, 0, 1000, 0), c.wide),
                                             reading(c.after, 0, 1010, 10), 0);
        EXPECT_EQ(sums(step).first, c.growth);
        EXPECT_TRUE(step.unknown.empty());
        for (const RouterMinute& m : step.minutes)
            EXPECT_EQ(m.kind, Kind::Live);
    }
}

TEST(RouterRules, AStepBackKeepsTheHigherBaseSoNothingCountsTwice) {
    const RouterStep back = judgeReading(keptAfter(reading(3'000'000'000, 7, 1000, 0)),
                                         reading(2'999'999'000, 9, 1010, 10), 0);
    EXPECT_EQ(back.state.last.received, 3'000'000'000u);
    EXPECT_EQ(back.state.last.sent, 9u);
    const RouterStep on = judgeReading(back.state, reading(3'000'000'500, 9, 1020, 20), 0);
    EXPECT_EQ(sums(on), std::make_pair(std::uint64_t(500), std::uint64_t(0)));
}

TEST(RouterRules, ARestartCountsFromZeroAndNamesWhatWasLost) {
    // Up 1000 s, then 5 s: started again 5 s before this reading; its count is live.
    RouterStep quick =
        judgeReading(keptAfter(reading(900, 90, 1000, 0)), reading(300, 30, 5, 10), 0);
    EXPECT_EQ(sums(quick), std::make_pair(std::uint64_t(300), std::uint64_t(30)));
    EXPECT_TRUE(quick.unknown.empty());

    // A day later, up 2000 s (more than before, yet less than the day): it started again in
    // between. What went before its start is unknown; its 64-bit count since is spread.
    const qint64 day = 24 * 3600;
    RouterStep later = judgeReading(keptAfter(reading(k2_32 * 3, 0, 100, 0), true),
                                    reading(2'000'000, 0, 2000, day), 0);
    ASSERT_EQ(later.unknown.size(), 1u);
    EXPECT_EQ(later.unknown[0].from, kNoon);
    EXPECT_EQ(later.unknown[0].to, kNoon.addSecs(day - 2000));
    EXPECT_EQ(sums(later).first, 2'000'000u);
    EXPECT_EQ(later.minutes.front().kind, Kind::Spread);
    EXPECT_EQ(later.minutes.front().minute, QDateTime(QDate(2026, 3, 3), QTime(11, 27), Qt::UTC));

    // Another router at the same place starts its own count.
    RouterReading other = reading(50, 5, 30, 20);
    other.udn = QStringLiteral("uuid:other");
    const RouterStep fresh = judgeReading(keptAfter(reading(900, 90, 1000, 0)), other, 0);
    EXPECT_EQ(fresh.state.last.udn, other.udn);
    ASSERT_EQ(fresh.minutes.size(), 1u);
    EXPECT_EQ(fresh.minutes[0].kind, Kind::BeforeMeter);
}

TEST(RouterRules, AGapIsSpreadWhereTheCounterCannotHaveWrappedAndUnknownWhereItCan) {
    // 120,000 bytes over 12:00:30..12:02:30: a quarter, a half and a quarter.
    const RouterStep wide = judgeReading(keptAfter(reading(k2_32 + 10, 0, 1000, 0), true),
                                         reading(k2_32 + 120'010, 0, 1120, 120), 0);
    ASSERT_EQ(wide.minutes.size(), 3u);
    EXPECT_EQ(wide.minutes[0].received, 30'000u);
    EXPECT_EQ(wide.minutes[1].received, 60'000u);
    EXPECT_EQ(wide.minutes[2].received, 30'000u);
    EXPECT_EQ(wide.minutes[1].minute, QDateTime(QDate(2026, 3, 2), QTime(12, 1), Qt::UTC));
    EXPECT_EQ(wide.minutes[1].kind, Kind::Spread);

    // 32 bits, speed unknown: 200 s cannot have wrapped, 400 s can.
    const RouterStep shortGap =
        judgeReading(keptAfter(reading(1000, 0, 1000, 0, 0)), reading(21000, 0, 1200, 200, 0), 0);
    EXPECT_EQ(sums(shortGap).first, 20000u);
    const RouterStep longGap =
        judgeReading(keptAfter(reading(1000, 0, 1000, 0, 0)), reading(21000, 0, 1400, 400, 0), 0);
    EXPECT_TRUE(longGap.minutes.empty());
    ASSERT_EQ(longGap.unknown.size(), 1u);
    EXPECT_EQ(longGap.unknown[0].from, kNoon);
    EXPECT_EQ(longGap.unknown[0].to, kNoon.addSecs(400));
    // At 1 Gbit/s a 32-bit counter wraps in 34 s: 90 s is unknown too.
    EXPECT_EQ(router_rules::wrapSeconds(1'000'000'000), 34);
    EXPECT_FALSE(judgeReading(keptAfter(reading(1000, 0, 1000, 0, 1'000'000'000)),
                              reading(2000, 0, 1090, 90, 1'000'000'000), 0)
                     .unknown.empty());
}

TEST(RouterRules, WhatTheRouterCountedBeforeTheFirstReadingGoesToItsStart) {
    // 64-bit: it cannot have wrapped, so it goes to the minute the router came up.
    const RouterStep wide = judgeReading(std::nullopt, reading(k2_32 + 5, 77, 3600, 0), 0);
    ASSERT_EQ(wide.minutes.size(), 1u);
    EXPECT_EQ(wide.minutes[0].kind, Kind::BeforeMeter);
    EXPECT_EQ(wide.minutes[0].minute, QDateTime(QDate(2026, 3, 2), QTime(11, 0), Qt::UTC));
    EXPECT_EQ(wide.minutes[0].received, k2_32 + 5);
    EXPECT_TRUE(wide.state.wide);
    // 32-bit, an hour at 1 Gbit/s: may have wrapped a hundred times.
    const RouterStep may = judgeReading(std::nullopt, reading(5, 77, 3600, 0, 1'000'000'000), 0);
    EXPECT_TRUE(may.minutes.empty());
    ASSERT_EQ(may.unknown.size(), 1u);
    EXPECT_EQ(may.unknown[0].from, kNoon.addSecs(-3600));
    // 32-bit, 200 s up with no speed known: cannot have.
    EXPECT_EQ(judgeReading(std::nullopt, reading(5, 77, 200, 0, 0), 0).minutes.size(), 1u);
    // Stuck at the top from the start: nothing.
    const RouterStep stuck = judgeReading(std::nullopt, reading(k2_32 - 1, k2_32 - 1, 20, 0, 0), 0);
    EXPECT_EQ(sums(stuck), std::make_pair(std::uint64_t(0), std::uint64_t(0)));
}

TEST(RouterRules, CountersThatStandStillWhileThisComputerMovesDataDoNotCount) {
    for (const std::uint64_t stuck : {std::uint64_t(0), k2_32 - 1, std::uint64_t(123456)}) {
        SCOPED_TRACE(stuck);
        RouterState state = keptAfter(reading(stuck, stuck, 1000, 0));
        // Ten minutes of readings, 10 s apart, with 20 kB of this computer's each time.
        for (int t = 10; t <= 600; t += 10)
            state = judgeReading(state, reading(stuck, stuck, 1000 + t, t), 20'000).state;
        EXPECT_FALSE(state.counts);
        // Once they move it counts again.
        EXPECT_TRUE(judgeReading(state, reading(stuck + 1, stuck, 1610, 610), 0).state.counts);
    }
    // Still, but this computer was quiet too (0.6 MB): nothing to say.
    RouterState quiet = keptAfter(reading(5, 5, 1000, 0));
    for (int t = 10; t <= 900; t += 10)
        quiet = judgeReading(quiet, reading(5, 5, 1000 + t, t), 6'000).state;
    EXPECT_TRUE(quiet.counts);
}

TEST(RouterRules, SpreadingKeepsEveryByteAcrossHoursDaysAndLongAbsences) {
    // 23:59:50 to 01:00:10 the next day: 3620 s, 61 minutes touched, odd amounts.
    const QDateTime from(QDate(2026, 10, 24), QTime(23, 59, 50), Qt::UTC);
    const auto pieces = router_rules::spread(from, from.addSecs(3620), 1'000'003, 7, Kind::Spread);
    std::uint64_t r = 0, s = 0;
    for (const RouterMinute& m : pieces) {
        r += m.received;
        s += m.sent;
    }
    EXPECT_EQ(r, 1'000'003u);
    EXPECT_EQ(s, 7u);
    EXPECT_EQ(pieces.front().minute, QDateTime(QDate(2026, 10, 24), QTime(23, 59), Qt::UTC));
    // 10 s of 3620 in the first minute: 2762 bytes, rounded down.
    EXPECT_EQ(pieces.front().received, 2762u);
    // Eight days: hours, not minutes.
    EXPECT_EQ(
        router_rules::spread(from, from.addSecs(8 * 24 * 3600), 1u << 30, 0, Kind::Spread).size(),
        8u * 24 + 1);
}

} // namespace
} // namespace tarvo
