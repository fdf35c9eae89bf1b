#include "router/router_rules.h"

#include "common/floor_div.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <tuple>

namespace tarvo {

namespace {

__extension__ typedef unsigned __int128 Wide;

using Kind = RouterMinute::Kind;
using namespace router_rules;

QDateTime unitStart(const QDateTime& time, qint64 unit) {
    return QDateTime::fromSecsSinceEpoch(floorDiv(time.toSecsSinceEpoch(), unit) * unit, Qt::UTC);
}

std::uint64_t saturated(Wide n) {
    return n > std::numeric_limits<std::uint64_t>::max() ? std::numeric_limits<std::uint64_t>::max()
                                                         : std::uint64_t(n);
}

std::uint64_t clampedSpeed(std::uint64_t lineSpeed) {
    return std::min(lineSpeed, kFastestLine);
}

// The most the line can have carried in a span, with room for a router that counts its own
// frames' overhead and a speed it rounds down; with no speed known, the fastest line's.
std::uint64_t capacity(qint64 seconds, std::uint64_t lineSpeed) {
    const Wide s = Wide(std::max<qint64>(seconds, 1));
    const Wide bits = lineSpeed ? clampedSpeed(lineSpeed) : kFastestLine;
    return saturated(bits / 8 * s * 3 / 2 + 64 * 1024);
}

// What a 32-bit counter may have grown by across one wrap: with no speed known, as much as
// it takes kUnknownSpeedWrapSeconds to wrap.
std::uint64_t wrapCapacity(qint64 seconds, std::uint64_t lineSpeed) {
    if (lineSpeed)
        return capacity(seconds, lineSpeed);
    const Wide s = Wide(std::max<qint64>(seconds, 1));
    return saturated(Wide(kWrap32) / Wide(kUnknownSpeedWrapSeconds) * s * 3 / 2 + 64 * 1024);
}

// A growth over [from, to): in the minute of its end when the readings were close, spread
// when only its sum is known, or, where a 32-bit counter may have wrapped unseen, unknown.
void place(RouterStep& step, const QDateTime& from, const QDateTime& to, std::uint64_t received,
           std::uint64_t sent, bool wide, std::uint64_t lineSpeed) {
    const qint64 seconds = from.secsTo(to);
    if (seconds <= kGapSeconds) {
        if (received || sent)
            step.minutes.push_back({unitStart(to, 60), received, sent, Kind::Live});
    } else if (wide || seconds < wrapSeconds(lineSpeed)) {
        const auto pieces = spread(from, to, received, sent, Kind::Spread);
        step.minutes.insert(step.minutes.end(), pieces.begin(), pieces.end());
    } else {
        step.unknown.push_back({from, to});
    }
}

void firstReading(RouterStep& step, const RouterReading& now) {
    // A router that does not say how long it has been up gives no time to put its count at.
    if (now.uptime < 0 || (now.received == 0 && now.sent == 0))
        return;
    const QDateTime start = now.time.addSecs(-now.uptime);
    // A counter at 2^32 - 1 is one that sticks there, not four gibibytes.
    const auto counted = [](std::uint64_t n) { return n == kWrap32 - 1 ? 0 : n; };
    const std::uint64_t received = counted(now.received), sent = counted(now.sent);
    // What the line can have carried since its connection came up, without room: counters
    // above it are older than the connection, and their time is not known.
    const Wide bits = now.lineSpeed ? clampedSpeed(now.lineSpeed) : kFirstReadingSpeed;
    // The uptime comes in whole seconds: one more for what it rounded off.
    const Wide most = bits / 8 * Wide(now.uptime + 1);
    const bool fits = Wide(received) <= most && Wide(sent) <= most;
    if (fits && (step.state.wide || now.uptime < wrapSeconds(now.lineSpeed))) {
        const auto pieces = spread(start, now.time, received, sent, Kind::Spread);
        step.minutes.insert(step.minutes.end(), pieces.begin(), pieces.end());
    } else {
        step.unknown.push_back({start, now.time});
    }
}

enum class Verdict { Grew, Wrapped, Reset, StepBack, Beyond };

struct Growth {
    std::uint64_t bytes = 0;
    std::uint64_t base = 0; // what the next reading is measured from
    Verdict verdict = Verdict::Grew;
};

// One counter from before to value, over a span the line could carry cap in. The counters
// decide what happened, never the uptime: a connection that came up again leaves an
// interface's counters running on.
Growth judgeCounter(std::uint64_t before, std::uint64_t value, std::uint64_t cap,
                    std::uint64_t wrapCap, bool wide) {
    if (value >= before) {
        if (value - before > cap)
            return {0, value, Verdict::Beyond};
        return {value - before, value, Verdict::Grew};
    }
    const std::uint64_t fall = before - value;
    // A little step back: the higher value stays the base, so nothing counts twice.
    if (fall <= kSmallStepBack && value >= fall)
        return {0, before, Verdict::StepBack};
    if (!wide && before < kWrap32) {
        // A wrap only where the growth through 2^32 fits the line; a fall of less than a
        // quarter of the range is no wrap at any speed a 32-bit counter can follow.
        const std::uint64_t wrapped = value + kWrap32 - before;
        if (wrapped <= wrapCap && wrapped <= kWrap32 / 4 * 3)
            return {wrapped, value, Verdict::Wrapped};
    }
    // Back near 0: started again, counted from there.
    if (value <= cap && value < fall)
        return {value, value, Verdict::Reset};
    if (fall <= kSmallStepBack)
        return {0, before, Verdict::StepBack};
    // A fall nothing explains: measured from here on, and nothing counted for it.
    return {0, value, Verdict::Beyond};
}

} // namespace

qint64 router_rules::wrapSeconds(std::uint64_t lineSpeed) {
    if (lineSpeed == 0)
        return kUnknownSpeedWrapSeconds;
    return qint64(Wide(kWrap32) * 8 / lineSpeed);
}

std::vector<RouterMinute> router_rules::spread(const QDateTime& from, const QDateTime& to,
                                               std::uint64_t received, std::uint64_t sent,
                                               Kind kind) {
    std::vector<RouterMinute> out;
    if (received == 0 && sent == 0)
        return out;
    const qint64 a = from.toSecsSinceEpoch();
    const qint64 b = to.toSecsSinceEpoch();
    if (b <= a) {
        out.push_back({unitStart(to, 60), received, sent, kind});
        return out;
    }
    const qint64 unit = b - a > 7 * 24 * 3600 ? 3600 : 60;
    const Wide total = Wide(b - a);
    std::uint64_t doneReceived = 0, doneSent = 0;
    qint64 covered = 0;
    for (qint64 m = floorDiv(a, unit) * unit; m < b; m += unit) {
        covered += std::min(m + unit, b) - std::max(m, a);
        // Shares of the running sum, so that rounding never loses or adds a byte.
        const std::uint64_t r = std::uint64_t(Wide(received) * Wide(covered) / total);
        const std::uint64_t s = std::uint64_t(Wide(sent) * Wide(covered) / total);
        if (r != doneReceived || s != doneSent)
            out.push_back(
                {QDateTime::fromSecsSinceEpoch(m, Qt::UTC), r - doneReceived, s - doneSent, kind});
        doneReceived = r;
        doneSent = s;
    }
    return out;
}

RouterStep judgeReading(const std::optional<RouterState>& kept, const RouterReading& reading,
                        std::uint64_t ownBytes, OwnTraffic through) {
    RouterStep step;
    RouterState& state = step.state;
    const bool same = kept && kept->last.udn == reading.udn;
    // Values no counter can hold change nothing: the next reading is measured from the last
    // sound one (with none, the step names no router and is not kept).
    if (reading.received >= kCounterLimit || reading.sent >= kCounterLimit) {
        if (same)
            state = *kept;
        return step;
    }
    RouterReading now = reading;
    if (now.uptime > kLongestUptime)
        now.uptime = -1;
    const bool wideNow = now.received >= kWrap32 || now.sent >= kWrap32;
    if (!same) {
        state.last = now;
        state.wide = wideNow;
        state.movedAt = state.lessSince = now.time;
        firstReading(step, now);
        return step;
    }
    state = *kept;
    const RouterReading& last = kept->last;
    state.wide = kept->wide || wideNow;
    const std::uint64_t lineSpeed = now.lineSpeed ? now.lineSpeed : last.lineSpeed;

    // The time between the readings: the meter's monotonic clock where both are of this run,
    // whatever the wall clock was set to; the wall clock across runs. The router's uptime is its
    // connection's and says nothing of its counters.
    const qint64 wall = last.time.secsTo(now.time);
    const bool steadyKnown = last.steadyMs >= 0 && now.steadyMs >= last.steadyMs;
    const bool upKnown = now.uptime >= 0 && last.uptime >= 0 && now.uptime >= last.uptime;
    const qint64 upGrew = upKnown ? now.uptime - last.uptime : -1;
    qint64 elapsed = 0;
    if (steadyKnown) {
        elapsed = (now.steadyMs - last.steadyMs + 500) / 1000;
        // Asleep: the monotonic clock may stand still while the computer sleeps, while the
        // wall clock and the router's uptime go on together.
        if (upKnown && wall > elapsed + kGapSeconds &&
            std::abs(upGrew - wall) <= std::max<qint64>(120, wall / 20))
            elapsed = wall;
    } else {
        elapsed = wall >= 0 ? wall : std::max<qint64>(upGrew, 0);
    }

    const auto judgeBoth = [&](qint64 seconds) {
        // A growth is judged by the fastest line, not by the speed the router claims: that
        // comes in 32 bits and is cut short on links beyond 4 Gbit/s (a 10 Gbit/s link's
        // reads as 1.41), and its wraps, which only a real speed can tell, are judged by it.
        const std::uint64_t cap = capacity(seconds, 0);
        const std::uint64_t wrapCap = wrapCapacity(seconds, lineSpeed);
        return std::pair{judgeCounter(last.received, now.received, cap, wrapCap, state.wide),
                         judgeCounter(last.sent, now.sent, cap, wrapCap, state.wide)};
    };
    // Plain variables: a lambda may not capture structured bindings before C++20's fix in
    // every compiler this builds with.
    Growth received, sent;
    std::tie(received, sent) = judgeBoth(elapsed);
    const auto beyond = [&] {
        return received.verdict == Verdict::Beyond || sent.verdict == Verdict::Beyond;
    };
    // A monotonic clock that stood still through a sleep the router cannot confirm: where the
    // growth fits only the wall clock's time, that time it was.
    if (beyond() && steadyKnown && wall > elapsed) {
        const auto byWall = judgeBoth(wall);
        if (byWall.first.verdict != Verdict::Beyond && byWall.second.verdict != Verdict::Beyond) {
            elapsed = wall;
            std::tie(received, sent) = byWall;
        }
    }

    RouterReading base = now;
    base.lineSpeed = lineSpeed;
    base.received = received.base;
    base.sent = sent.base;
    const QDateTime from = now.time.addSecs(-elapsed);
    std::uint64_t counted = 0;
    if (beyond()) {
        // More than the line can carry, or a fall nothing explains: the span is unknown.
        step.unknown.push_back({from, now.time});
    } else if (received.verdict == Verdict::Reset || sent.verdict == Verdict::Reset) {
        // Started again: counted from its start where the uptime places it within the span;
        // what it counted between the last reading and then is lost.
        QDateTime at = from;
        if (now.uptime >= 0 && now.uptime < elapsed)
            at = now.time.addSecs(-now.uptime);
        if (from.secsTo(at) > kGapSeconds)
            step.unknown.push_back({from, at});
        place(step, at, now.time, received.bytes, sent.bytes, state.wide, lineSpeed);
        counted = received.bytes + sent.bytes;
    } else {
        place(step, from, now.time, received.bytes, sent.bytes, state.wide, lineSpeed);
        counted = received.bytes + sent.bytes;
    }
    state.last = base;

    // This computer's own traffic through the router, in the minute it was measured.
    if (through.received || through.sent) {
        const QDateTime minute = unitStart(now.time, 60);
        auto it =
            std::find_if(step.minutes.begin(), step.minutes.end(), [&](const RouterMinute& m) {
                return m.minute == minute && m.kind == Kind::Live;
            });
        if (it == step.minutes.end())
            it = step.minutes.insert(step.minutes.end(), {minute, 0, 0, Kind::Live});
        it->ownReceived += through.received;
        it->ownSent += through.sent;
    }
    if (!step.unknown.empty() || !state.lessSince.isValid() || state.lessSince > now.time) {
        // An hour with a span not known proves nothing: it starts again.
        state.lessSince = now.time;
        state.lessOwn = state.lessRouter = 0;
    } else {
        state.lessOwn = saturated(Wide(state.lessOwn) + through.received + through.sent);
        state.lessRouter = saturated(Wide(state.lessRouter) + counted);
        if (state.lessSince.secsTo(now.time) >= kLessSeconds) {
            // An hour this computer hardly used the router leaves the verdict as it was.
            if (state.lessOwn > kLessRoom)
                state.countsLess = state.lessOwn > state.lessRouter + kLessRoom;
            state.lessSince = now.time;
            state.lessOwn = state.lessRouter = 0;
        }
    }

    if (now.received != last.received || now.sent != last.sent) {
        state.movedAt = now.time;
        state.ownSinceMoved = 0;
        state.counts = true;
    } else {
        state.ownSinceMoved = saturated(Wide(state.ownSinceMoved) + ownBytes);
        if (state.movedAt.secsTo(now.time) >= kStillSeconds && state.ownSinceMoved > kOwnBytes)
            state.counts = false;
    }
    return step;
}

} // namespace tarvo
