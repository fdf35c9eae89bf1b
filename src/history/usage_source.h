#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace tarvo {

// Traffic of one stretch of time: an hour, a day or a month, starting at start (local time).
// start's date() and time() always name the stretch as the wall clock does; for an hour that
// daylight-saving time skips, start is not isValid() but still names it, so read its date()
// and time(), never its instant.
struct UsageRow {
    QDateTime start;
    std::uint64_t received = 0;
    std::uint64_t sent = 0;
    // Of received + sent, what a start of the meter found on links that had come up before
    // it ran, and was put at the time they came up.
    std::uint64_t beforeMeter = 0;
    // Of received + sent, what a router counted over a gap in its readings and was spread
    // evenly over the gap's minutes.
    std::uint64_t spread = 0;

    bool operator==(const UsageRow&) const = default;
};

// A stretch of time whose traffic could not be known (a router's counter that may have
// wrapped unseen while it was not read).
struct UsageGap {
    QDateTime from, to;
    bool operator==(const UsageGap&) const = default;
};

// A home router whose counters the history keeps.
struct RouterRecord {
    QString id;   // its UDN, as it gives it
    QString name; // its friendlyName
    QDateTime lastRead;
    bool counts = true; // false: its counters do not move, so it counts nothing
    // Over an hour it counted less than this computer alone moved through it.
    bool countsLess = false;
    // The last failure to read it since its last reading, and when; empty: none.
    QString error;
    QDateTime errorTime;
    bool lost = false; // given up after failed rounds, not found again since
    bool operator==(const RouterRecord&) const = default;
};

// What the usage window, the allowance and "--usage" read of the history.
class UsageSource {
public:
    virtual ~UsageSource() = default;
    // The 24 hours of a day, in order, hours without traffic as zero rows.
    virtual std::vector<UsageRow> hours(const QDate& day) = 0;
    // Each day from first to last, in order, days without traffic as zero rows.
    virtual std::vector<UsageRow> days(const QDate& first, const QDate& last) = 0;
    // Each month from the month of first to the month of last, in order.
    virtual std::vector<UsageRow> months(const QDate& first, const QDate& last) = 0;
    // All traffic from from (inclusive) to to (exclusive), to the minute.
    virtual UsageRow total(const QDateTime& from, const QDateTime& to) = 0;
    // The interfaces that traffic was recorded for, in the order first seen.
    virtual QStringList interfaces() = 0;
    // The spans within [from, to) whose traffic is unknown, in order.
    virtual std::vector<UsageGap> unknown(const QDateTime& from, const QDateTime& to) {
        (void)from;
        (void)to;
        return {};
    }

    // The home routers read so far, the last read first; each router's traffic is its own
    // source, kept apart from this computer's and owned by this one (null: no such router).
    virtual std::vector<RouterRecord> routers() { return {}; }
    virtual UsageSource* router(const QString& id) {
        (void)id;
        return nullptr;
    }
    // The router's count less this computer's own traffic while it was behind the router: what
    // the other devices moved, at the least (null: no such router).
    virtual UsageSource* routerOthers(const QString& id) {
        (void)id;
        return nullptr;
    }
};

} // namespace tarvo
