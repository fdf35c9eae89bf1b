#pragma once

#include <QDate>
#include <QDateTime>
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

    bool operator==(const UsageRow&) const = default;
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
};

} // namespace tarvo
