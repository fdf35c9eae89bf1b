#pragma once

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <vector>

namespace tarvo {

// One reading of the home router's own counters, as it answered them: what came in from the
// internet and what went out, for every device behind it. The history stores these and the
// growth worked out from them; it sees nothing else of the router.
struct RouterReading {
    QString udn;  // the router's identity, as its description gives it ("uuid:...")
    QString name; // its friendlyName
    std::uint64_t received = 0;
    std::uint64_t sent = 0;
    // Seconds since the router's WAN connection came up; -1 when it does not say.
    qint64 uptime = -1;
    // Its line's downstream speed in bits per second; 0 when it does not say.
    std::uint64_t lineSpeed = 0;
    QDateTime time; // when the answers came, an instant (UTC); it places the minutes
    // When, on the meter's monotonic clock, in ms; -1 where not known (a reading kept from an
    // earlier run). It measures the time between two readings of one run.
    qint64 steadyMs = -1;
    // This computer's default gateway was the router's address when it answered: this
    // computer's traffic to the internet went through it.
    bool behind = false;

    bool operator==(const RouterReading&) const = default;
};

// Why the router could not be found or read, as the user and the log are told it.
struct RouterFailure {
    QString udn;       // the router it concerns; empty where none was found or described
    QString name;      // its friendlyName, where known
    QString error;     // short plain text: "no router answered", "HTTP status 500", ...
    bool lost = false; // it failed rounds enough to be given up until it is found again
    QDateTime time;    // when (UTC)

    bool operator==(const RouterFailure&) const = default;
};

// What is kept of a router beside its rows, written in the same transaction as its minute:
// the reading the next one is measured from, and what is known of how it counts.
struct RouterState {
    // The base of the next growth; a counter that stepped back keeps its higher value here.
    RouterReading last;
    bool wide = false;  // a counter was once above 2^32 - 1: both are 64-bit
    bool counts = true; // false: its counters stood still while this computer's traffic moved
    QDateTime movedAt;  // when its counters last moved
    std::uint64_t ownSinceMoved = 0; // this computer's bytes since then
    // Over the hour from lessSince: what this computer moved through the router, and what the
    // router counted; a router that counted less than this computer alone counts less.
    QDateTime lessSince;
    std::uint64_t lessOwn = 0, lessRouter = 0;
    bool countsLess = false;

    bool operator==(const RouterState&) const = default;
};

// Traffic the router counted within one minute (its start, an instant).
struct RouterMinute {
    enum class Kind { Live, Spread, BeforeMeter };
    QDateTime minute;
    std::uint64_t received = 0;
    std::uint64_t sent = 0;
    Kind kind = Kind::Live;
    // Of this computer's own traffic, what it moved while its default gateway was the router:
    // the router's count less this is what the other devices moved, at the least.
    std::uint64_t ownReceived = 0, ownSent = 0;

    bool operator==(const RouterMinute&) const = default;
};

// A stretch of time whose traffic through the router cannot be known.
struct RouterSpan {
    QDateTime from, to;
    bool operator==(const RouterSpan&) const = default;
};

// What one reading adds to the history.
struct RouterStep {
    std::vector<RouterMinute> minutes;
    std::vector<RouterSpan> unknown;
    RouterState state;
};

} // namespace tarvo
