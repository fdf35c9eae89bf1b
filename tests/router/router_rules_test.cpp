#include "router/router_rules.h"

#include <gtest/gtest.h>

#include <functional>
#include <numeric>

namespace tarvo {
namespace {

using Kind = RouterMinute::Kind;
constexpr std::uint64_t k2_31 = std::uint64_t(1) << 31;
constexpr std::uint64_t k2_32 = std::uint64_t(1) << 32;
// The highest count a router may give: one more is refused.
constexpr std::uint64_t kTop = router_rules::kCounterLimit - 1;

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
        {"64-bit at the top", kTop - 9, kTop, true, 9},
        {"64-bit past the top", kTop, 5, true, 5},
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
    EXPECT_EQ(sums(fresh), std::make_pair(std::uint64_t(50), std::uint64_t(5)));
    EXPECT_EQ(fresh.minutes[0].kind, Kind::Spread);
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

TEST(RouterRules, WhatTheRouterCountedBeforeTheFirstReadingIsSpreadOverItsConnection) {
    // 64-bit, up an hour at 100 Mbit/s: 4 GiB fits, spread evenly from 11:00:30.
    const RouterStep wide = judgeReading(std::nullopt, reading(k2_32 + 5, 77, 3600, 0), 0);
    EXPECT_EQ(sums(wide), std::make_pair(k2_32 + 5, std::uint64_t(77)));
    ASSERT_EQ(wide.minutes.size(), 61u);
    EXPECT_EQ(wide.minutes.front().minute, QDateTime(QDate(2026, 3, 2), QTime(11, 0), Qt::UTC));
    for (const RouterMinute& m : wide.minutes) {
        EXPECT_EQ(m.kind, Kind::Spread);
        EXPECT_LE(m.received, (k2_32 + 5) / 60 + 1);
    }
    EXPECT_TRUE(wide.state.wide);
    // 55 GB after an hour: more than 100 Mbit/s carries in one (45 GB); the counters are older
    // than the connection and their time is unknown. Nothing goes into today.
    for (const std::uint64_t speed : {std::uint64_t(100'000'000), std::uint64_t(0)}) {
        const RouterStep old =
            judgeReading(std::nullopt, reading(55'015'089'338, 5'000'000'000, 3600, 0, speed), 0);
        EXPECT_TRUE(old.minutes.empty());
        ASSERT_EQ(old.unknown.size(), 1u);
        EXPECT_EQ(old.unknown[0].from, kNoon.addSecs(-3600));
        EXPECT_EQ(old.unknown[0].to, kNoon);
    }
    // A speed claimed far beyond any line is judged as the fastest one: 2^62 in 30 s is not.
    EXPECT_TRUE(judgeReading(std::nullopt, reading(std::uint64_t(1) << 62, 0, 30, 0, ~0ull), 0)
                    .minutes.empty());
    // 32-bit, an hour at 1 Gbit/s: may have wrapped a hundred times.
    const RouterStep may = judgeReading(std::nullopt, reading(5, 77, 3600, 0, 1'000'000'000), 0);
    EXPECT_TRUE(may.minutes.empty());
    ASSERT_EQ(may.unknown.size(), 1u);
    EXPECT_EQ(may.unknown[0].from, kNoon.addSecs(-3600));
    // 32-bit, 200 s up with no speed known: cannot have.
    EXPECT_EQ(sums(judgeReading(std::nullopt, reading(5, 77, 200, 0, 0), 0)),
              std::make_pair(std::uint64_t(5), std::uint64_t(77)));
    // Stuck at the top from the start: nothing.
    const RouterStep stuck = judgeReading(std::nullopt, reading(k2_32 - 1, k2_32 - 1, 20, 0, 0), 0);
    EXPECT_EQ(sums(stuck), std::make_pair(std::uint64_t(0), std::uint64_t(0)));
}

// Readings of one run of the meter: the steady clock in ms beside the wall clock.
RouterReading live(std::uint64_t received, std::uint64_t sent, qint64 uptime, qint64 wallAt,
                   qint64 steadyAt, std::uint64_t speed = 100'000'000) {
    RouterReading r = reading(received, sent, uptime, wallAt, speed);
    r.steadyMs = 1'000'000 + steadyAt * 1000;
    return r;
}

TEST(RouterRules, TheCountersDecideAReconnectAndTheSteadyClockTheTime) {
    constexpr std::uint64_t rx = 50'000'000'000, tx = 5'000'000'000;
    const RouterState before = keptAfter(live(rx, tx, 3600, 0, 0), true);
    struct Case {
        const char* what;
        RouterReading now;
        std::uint64_t received, sent;
        QDateTime minute; // where the growth goes
    } cases[] = {
        // The connection came up again 5 s ago; the interface's counters ran on.
        {"reconnect", live(rx + 10'000'000, tx + 1'000'000, 5, 10, 10), 10'000'000, 1'000'000,
         kNoon.addSecs(10)},
        {"reconnect, from an earlier run", reading(rx + 10'000'000, tx, 5, 10), 10'000'000, 0,
         kNoon.addSecs(10)},
        // The wall clock set an hour forward, 10 s on the steady clock: the minute of the new
        // wall time, 5 MB, not the whole counter again.
        {"clock set forward", live(rx + 5'000'000, tx + 70'000, 3610, 3610, 10), 5'000'000, 70'000,
         kNoon.addSecs(3610)},
        {"clock set back", live(rx + 5'000'000, tx, 3610, -3590, 10), 5'000'000, 0,
         kNoon.addSecs(-3590)},
        // The connection came up again and its counters with it.
        {"reconnect that resets", live(2'000'000, 300'000, 5, 10, 10), 2'000'000, 300'000,
         kNoon.addSecs(10)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RouterStep step = judgeReading(before, c.now, 0);
        EXPECT_EQ(sums(step), std::make_pair(c.received, c.sent));
        EXPECT_TRUE(step.unknown.empty());
        ASSERT_EQ(step.minutes.size(), 1u);
        EXPECT_EQ(step.minutes[0].kind, Kind::Live);
        EXPECT_EQ(step.minutes[0].minute,
                  QDateTime(c.minute.date(),
                            QTime(c.minute.time().hour(), c.minute.time().minute()), Qt::UTC));
    }
    // A 32-bit counter that wraps across a reconnect counts the bytes through the wrap.
    const RouterStep wrap =
        judgeReading(keptAfter(live(k2_32 - 1000, 0, 3600, 0, 0)), live(9000, 0, 5, 10, 10), 0);
    EXPECT_EQ(sums(wrap).first, 10'000u);
}

TEST(RouterRules, ASleepIsAGapHoweverTheClocksSawIt) {
    constexpr std::uint64_t rx = 50'000'000'000, gb = 1'000'000'000;
    const RouterState before = keptAfter(live(rx, 0, 3600, 0, 0), true);
    struct Case {
        const char* what;
        RouterReading now;
        bool spread; // over the hour asleep, else in the minute it was read
    } cases[] = {
        // Both clocks went on through the sleep, as the router's uptime did.
        {"both clocks jumped", live(rx + gb, 0, 7200, 3600, 3600), true},
        // The monotonic clock stood still; the uptime confirms the wall clock.
        {"steady clock stood still", live(rx + gb, 0, 7200, 3600, 10), true},
        // Nothing confirms either clock: counted once, where it was read.
        {"no uptime", live(rx + gb, 0, -1, 3600, 10), false},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        RouterState kept = before;
        if (c.now.uptime < 0)
            kept.last.uptime = -1;
        const RouterStep step = judgeReading(kept, c.now, 0);
        EXPECT_EQ(sums(step).first, gb);
        EXPECT_TRUE(step.unknown.empty());
        EXPECT_EQ(step.minutes.size() >= 60, c.spread);
        EXPECT_EQ(step.minutes.front().kind, c.spread ? Kind::Spread : Kind::Live);
    }
}

TEST(RouterRules, AHostileRouterCountsNothingItsLineCannotCarry) {
    const auto run = [](RouterState state, const std::function<RouterReading(int)>& next) {
        std::uint64_t counted = 0;
        std::size_t unknown = 0;
        for (int i = 1; i <= 60; ++i) {
            const RouterStep step = judgeReading(state, next(i), 0);
            counted += sums(step).first + sums(step).second;
            unknown += step.unknown.size();
            state = step.state;
        }
        return std::pair{counted, unknown};
    };
    // Jumps of 2^40 every 10 s on a 100 Mbit/s line: nothing, each span unknown.
    const auto jumps = run(keptAfter(live(1000, 1000, 100, 0, 0), true), [](int i) {
        const std::uint64_t n = 1000 + (std::uint64_t(i) << 40);
        return live(n, n, 100 + i * 10, i * 10, i * 10);
    });
    EXPECT_EQ(jumps.first, 0u);
    EXPECT_EQ(jumps.second, 60u);
    // 32-bit counters that fall by 1,000 bytes a read on a line it says is 10 Gbit/s: no wraps.
    const auto falls = run(keptAfter(live(3'000'000'000, 3'000'000'000, 100, 0, 0)), [](int i) {
        const std::uint64_t n = 3'000'000'000 - std::uint64_t(i) * 1000;
        return live(n, n, 100 + i * 10, i * 10, i * 10, 10'000'000'000);
    });
    EXPECT_EQ(falls.first, 0u);
    // Values no counter holds change nothing, and the next sound reading counts from before.
    const RouterState kept = keptAfter(live(5000, 500, 100, 0, 0), true);
    for (const std::uint64_t bad : {router_rules::kCounterLimit, ~std::uint64_t(0)}) {
        const RouterStep step = judgeReading(kept, live(bad, 600, 110, 10, 10), 0);
        EXPECT_TRUE(step.minutes.empty());
        EXPECT_EQ(step.state, kept);
    }
    EXPECT_TRUE(judgeReading(std::nullopt, live(~std::uint64_t(0), 0, 5, 0, 0), 0)
                    .state.last.udn.isEmpty());
    // Three answers 2^62 above the sound count, each followed by the sound count again: only
    // what the line can carry counts, nothing of the jumps.
    const auto mixed = run(kept, [](int i) {
        const std::uint64_t n = 5000 + std::uint64_t(i) * 1000;
        return live(i % 20 == 0 ? n + (std::uint64_t(1) << 62) : n, 500, 100 + i * 10, i * 10,
                    i * 10);
    });
    EXPECT_LT(mixed.first, 1'000'000u);
    EXPECT_GE(mixed.second, 3u);
}

TEST(RouterRules, ThisComputersOwnTrafficTellsTheOthersAndARouterThatCountsLess) {
    // Each reading 10 s apart: this computer moved 500 kB through the router, which counted
    // 2 MB (the others' 1.5 MB), or 100 kB (its hardware passed the rest by its counters).
    for (const std::uint64_t routerGrowth : {std::uint64_t(2'000'000), std::uint64_t(100'000)}) {
        SCOPED_TRACE(routerGrowth);
        RouterState state = keptAfter(live(1000, 0, 100, 0, 0), true);
        std::uint64_t own = 0;
        for (int i = 1; i <= 370; ++i) {
            const RouterStep step =
                judgeReading(state, live(1000 + i * routerGrowth, 0, 100 + i * 10, i * 10, i * 10),
                             500'000, {400'000, 100'000});
            for (const RouterMinute& m : step.minutes)
                own += m.ownReceived + m.ownSent;
            state = step.state;
        }
        EXPECT_EQ(own, 370u * 500'000);
        EXPECT_EQ(state.countsLess, routerGrowth < 500'000);
    }
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
