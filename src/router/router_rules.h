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

// The seconds a 32-bit counter takes to wrap at the line's speed (bits per second; 0 unknown).
qint64 wrapSeconds(std::uint64_t lineSpeed);

// The growth over [from, to) spread evenly over its minutes, each minute's share in proportion
// to the seconds of it that the span covers, the sums exact. Spans over a week long are spread
// over hours instead, so that a long absence is not hundreds of thousands of rows.
std::vector<RouterMinute> spread(const QDateTime& from, const QDateTime& to, std::uint64_t received,
                                 std::uint64_t sent, RouterMinute::Kind kind);

} // namespace router_rules

// One reading against what is kept of the same router (nothing: the first reading of it ever,
// or the kept state is another router's). ownBytes is what this computer counted since the
// router's previous reading.
RouterStep judgeReading(const std::optional<RouterState>& kept, const RouterReading& now,
                        std::uint64_t ownBytes);

} // namespace tarvo
