#pragma once

#include "common/floor_div.h"

#include <QDate>
#include <QDateTime>

namespace tarvo::history_keys {

// The history's rows are keyed by wall-clock minute: a local date and time read as if it were
// UTC, so the hours, days and months of the local calendar are plain divisions of it, and a
// change of the zone's offset moves no row.
constexpr qint64 kHour = 60;
constexpr qint64 kDay = 24 * 60;

qint64 minuteKey(const QDateTime& time);
QDateTime minuteTime(qint64 minute);

constexpr qint64 hourKey(qint64 minute) {
    return floorDiv(minute, kHour);
}
constexpr qint64 dayKey(qint64 minute) {
    return floorDiv(minute, kDay);
}
inline qint64 monthKey(const QDate& day) {
    return qint64(day.year()) * 12 + day.month() - 1;
}
inline qint64 monthKeyOfMinute(qint64 minute) {
    return monthKey(minuteTime(minute).date());
}
// The first day of a month key, and its first minute.
QDate monthStart(qint64 month);
qint64 monthStartMinute(qint64 month);

// A minute's key and the keys of its hour, day and month: the rows it adds to.
struct MinuteKeys {
    qint64 minute, hour, day, month;
    static MinuteKeys of(qint64 minute) {
        return {minute, hourKey(minute), dayKey(minute), monthKeyOfMinute(minute)};
    }
};

} // namespace tarvo::history_keys
