#include "router/router_rules.h"

#include <algorithm>
#include <limits>

namespace tarvo {

namespace {

__extension__ typedef unsigned __int128 Wide;

using Kind = RouterMinute::Kind;
using namespace router_rules;

qint64 floorDiv(qint64 a, qint64 b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

QDateTime unitStart(const QDateTime& time, qint64 unit) {
    return QDateTime::fromSecsSinceEpoch(floorDiv(time.toSecsSinceEpoch(), unit) * unit, Qt::UTC);
}

std::uint64_t saturated(Wide n) {
    return n > std::numeric_limits<std::uint64_t>::max() ? std::numeric_limits<std::uint64_t>::max()
                                                         : std::uint64_t(n);
}

// The most the line can have carried in a span, with room for a router that counts its own
// frames' overhead and a speed it rounds down.
std::uint64_t capacity(qint64 seconds, std::uint64_t lineSpeed) {
    const Wide s = Wide(std::max<qint64>(seconds, 1));
    const Wide perSecond =
        lineSpeed ? Wide(lineSpeed / 8) : Wide(kWrap32) / Wide(kUnknownSpeedWrapSeconds);
    return saturated(perSecond * s * 3 / 2 + 64 * 1024);
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
    if (step.state.wide || now.uptime < wrapSeconds(now.lineSpeed))
        step.minutes.push_back(
            {unitStart(start, 60), counted(now.received), counted(now.sent), Kind::BeforeMeter});
    else
        step.unknown.push_back({start, now.time});
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

RouterStep judgeReading(const std::optional<RouterState>& kept, const RouterReading& now,
                        std::uint64_t ownBytes) {
    RouterStep step;
    RouterState& state = step.state;
    const bool wideNow = now.received >= kWrap32 || now.sent >= kWrap32;
    if (!kept || kept->last.udn != now.udn) {
        state.last = now;
        state.wide = wideNow;
        state.movedAt = now.time;
        firstReading(step, now);
        return step;
    }
    state = *kept;
    const RouterReading& last = kept->last;
    state.wide = kept->wide || wideNow;
    const std::uint64_t lineSpeed = now.lineSpeed ? now.lineSpeed : last.lineSpeed;

    // The router's own clock measures the time between readings where it can: the
    // computer's may have been set, or asleep.
    const qint64 wall = last.time.secsTo(now.time);
    qint64 elapsed = std::max<qint64>(wall, 0);
    bool restarted = false;
    if (now.uptime >= 0 && last.uptime >= 0) {
        const qint64 grew = now.uptime - last.uptime;
        // Up for less time than passed since: it started again in between, also where its new
        // uptime already exceeds the old one.
        restarted = grew < 0 || wall - grew > std::max<qint64>(120, wall / 20);
        if (!restarted)
            elapsed = grew;
    }

    RouterReading base = now;
    base.lineSpeed = lineSpeed;
    if (restarted) {
        // Its count starts again from 0 at its start; what it counted before that is lost.
        QDateTime at = now.time.addSecs(-now.uptime);
        if (at < last.time)
            at = last.time;
        if (last.time.secsTo(at) > kGapSeconds)
            step.unknown.push_back({last.time, at});
        place(step, at, now.time, now.received, now.sent, state.wide, lineSpeed);
    } else {
        const std::uint64_t cap = capacity(elapsed, lineSpeed);
        const auto grow = [&](std::uint64_t before, std::uint64_t value, std::uint64_t& kept) {
            kept = value;
            if (value >= before)
                return value - before;
            if (!state.wide && before < kWrap32) {
                const std::uint64_t wrapped = value + kWrap32 - before;
                if (wrapped <= cap)
                    return wrapped;
            }
            // Back near 0, as after a reconnect: counted again from there.
            if (value <= cap && value < before - value)
                return value;
            // A little step back: the higher value stays the base, so nothing counts twice.
            kept = before;
            return std::uint64_t(0);
        };
        const std::uint64_t received = grow(last.received, now.received, base.received);
        const std::uint64_t sent = grow(last.sent, now.sent, base.sent);
        place(step, now.time.addSecs(-elapsed), now.time, received, sent, state.wide, lineSpeed);
    }
    state.last = base;

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
