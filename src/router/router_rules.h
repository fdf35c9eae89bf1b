#pragma once

#include "router/router_reading.h"

#include <optional>

namespace tarvo {

// How a router's readings become traffic. Routers count in 32 or 64 bits, start again from 0,
// step back now and then, or never count at all; readings may be minutes or days apart. Each
// byte goes to the minute it crossed the router where that can be known, spread evenly over a
// gap where only the gap's sum can be known, and nowhere, with the span named, where a 32-bit
// counter may have wrapped unseen.
namespace router_rules {

constexpr std::uint64_t kWrap32 = std::uint64_t(1) << 32;
// Readings further apart than this are a gap: their growth is spread, never put in one minute.
constexpr qint64 kGapSeconds = 60;
// With no line speed known, a 32-bit counter is taken to need this long to wrap.
constexpr qint64 kUnknownSpeedWrapSeconds = 5 * 60;
// Counters that stand still this long while this computer moved more than kOwnBytes through
// the router: the router does not count.
constexpr qint64 kStillSeconds = 10 * 60;
constexpr std::uint64_t kOwnBytes = 1'000'000;
// No line is faster than this, whatever its router says: the most any growth may be judged by.
constexpr std::uint64_t kFastestLine = 10'000'000'000;
// With no line speed known, what a router's first reading may have counted since its
// connection came up is judged by this speed.
constexpr std::uint64_t kFirstReadingSpeed = 100'000'000;
// Counters at or above this are no counts: no sum of them may overflow a signed 64-bit sum.
constexpr std::uint64_t kCounterLimit = std::uint64_t(1) << 63;
// A counter that falls by no more than this stepped back: it neither wrapped nor started again.
constexpr std::uint64_t kSmallStepBack = 16 * 1024 * 1024;
// An uptime beyond this (ten years) is no uptime.
constexpr qint64 kLongestUptime = 10LL * 366 * 24 * 3600;
// Over an hour, a router that counted less than this computer alone moved through it counts
// less (its hardware passes traffic by its counters), with this much room.
constexpr qint64 kLessSeconds = 3600;
constexpr std::uint64_t kLessRoom = 10'000'000;

// The seconds a 32-bit counter takes to wrap at the line's speed (bits per second; 0 unknown).
qint64 wrapSeconds(std::uint64_t lineSpeed);

// The growth over [from, to) spread evenly over its minutes, each minute's share in proportion
// to the seconds of it that the span covers, the sums exact. Spans over a week long are spread
// over hours instead, so that a long absence is not hundreds of thousands of rows.
std::vector<RouterMinute> spread(const QDateTime& from, const QDateTime& to, std::uint64_t received,
                                 std::uint64_t sent, RouterMinute::Kind kind);

} // namespace router_rules

// This computer's traffic since the router's previous reading, as its own counters count it.
struct OwnTraffic {
    std::uint64_t received = 0, sent = 0;
};

// One reading against what is kept of the same router (nothing: the first reading of it ever,
// or the kept state is another router's). ownBytes is what this computer counted since the
// router's previous reading; through is the same where this computer's default gateway was
// the router, else zero.
RouterStep judgeReading(const std::optional<RouterState>& kept, const RouterReading& now,
                        std::uint64_t ownBytes, OwnTraffic through = {});

} // namespace tarvo
