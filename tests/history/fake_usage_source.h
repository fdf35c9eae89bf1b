#pragma once

#include "history/usage_source.h"

#include <QDateTime>

#include <cstdint>
#include <vector>

// A history with traffic in every hour from firstDay to lastDay: received rises with the hour
// and the weekday, sent is a quarter of it; the hour beforeMeterHour also holds
// beforeMeterBytes counted before the meter ran. Counts the reads, and remembers the last
// ranges asked for.
class FakeUsageSource : public tarvo::UsageSource {
public:
    static constexpr std::uint64_t kMB = 1024 * 1024;

    QDate firstDay, lastDay;
    int reads = 0;
    QDate hoursDay, daysFirst, daysLast, monthsFirst, monthsLast;
    QDateTime totalFrom, totalTo;
    QDateTime beforeMeterHour;
    std::uint64_t beforeMeterBytes = 0;
    // Every hour of this day spread over a gap in a router's readings.
    QDate spreadDay;
    std::uint64_t scale = 1; // of every hour's traffic
    // A home router whose rows are another fake's, and the spans it cannot know.
    FakeUsageSource* routerRows = nullptr;
    FakeUsageSource* othersRows = nullptr; // the router's less this computer's
    tarvo::RouterRecord routerRecord;
    std::vector<tarvo::UsageGap> gaps;

    FakeUsageSource(QDate first, QDate last) : firstDay(first), lastDay(last) {}

    static std::uint64_t receivedIn(const QDate& day, int hour) {
        return std::uint64_t(day.dayOfWeek()) * kMB * std::uint64_t(hour + 1);
    }

    tarvo::UsageRow hour(const QDate& day, int h) const {
        tarvo::UsageRow row{QDateTime(day, QTime(h, 0)), 0, 0};
        if (day >= firstDay && day <= lastDay) {
            row.received = receivedIn(day, h) * scale;
            row.sent = row.received / 4;
        }
        if (row.start == beforeMeterHour) {
            row.received += beforeMeterBytes;
            row.beforeMeter = beforeMeterBytes;
        }
        if (day == spreadDay)
            row.spread = row.received + row.sent;
        return row;
    }

    tarvo::UsageRow day(const QDate& d) const {
        tarvo::UsageRow row{QDateTime(d, QTime(0, 0)), 0, 0};
        for (int h = 0; h < 24; ++h) {
            const tarvo::UsageRow one = hour(d, h);
            row.received += one.received;
            row.sent += one.sent;
            row.beforeMeter += one.beforeMeter;
            row.spread += one.spread;
        }
        return row;
    }

    std::vector<tarvo::UsageRow> hours(const QDate& d) override {
        ++reads;
        hoursDay = d;
        std::vector<tarvo::UsageRow> rows;
        for (int h = 0; h < 24; ++h)
            rows.push_back(hour(d, h));
        return rows;
    }

    std::vector<tarvo::UsageRow> days(const QDate& first, const QDate& last) override {
        ++reads;
        daysFirst = first;
        daysLast = last;
        std::vector<tarvo::UsageRow> rows;
        for (QDate d = first; d <= last; d = d.addDays(1))
            rows.push_back(day(d));
        return rows;
    }

    std::vector<tarvo::UsageRow> months(const QDate& first, const QDate& last) override {
        ++reads;
        monthsFirst = first;
        monthsLast = last;
        std::vector<tarvo::UsageRow> rows;
        for (QDate m(first.year(), first.month(), 1); m <= last; m = m.addMonths(1)) {
            tarvo::UsageRow row{QDateTime(m, QTime(0, 0)), 0, 0};
            for (QDate d = m; d.month() == m.month(); d = d.addDays(1)) {
                const tarvo::UsageRow one = day(d);
                row.received += one.received;
                row.sent += one.sent;
                row.beforeMeter += one.beforeMeter;
                row.spread += one.spread;
            }
            rows.push_back(row);
        }
        return rows;
    }

    // Whole hours only: the tests ask for whole days.
    tarvo::UsageRow total(const QDateTime& from, const QDateTime& to) override {
        ++reads;
        totalFrom = from;
        totalTo = to;
        tarvo::UsageRow sum{from, 0, 0};
        for (QDateTime t = from; t < to; t = t.addSecs(3600)) {
            const tarvo::UsageRow one = hour(t.date(), t.time().hour());
            sum.received += one.received;
            sum.sent += one.sent;
        }
        return sum;
    }

    QStringList interfaces() override { return {QStringLiteral("eth0")}; }

    std::vector<tarvo::RouterRecord> routers() override {
        if (!routerRows)
            return {};
        return {routerRecord};
    }
    tarvo::UsageSource* router(const QString& id) override {
        return routerRows && id == routerRecord.id ? routerRows : nullptr;
    }
    tarvo::UsageSource* routerOthers(const QString& id) override {
        return othersRows && id == routerRecord.id ? othersRows : nullptr;
    }
    std::vector<tarvo::UsageGap> unknown(const QDateTime& from, const QDateTime& to) override {
        std::vector<tarvo::UsageGap> within;
        for (const tarvo::UsageGap& gap : gaps)
            if (gap.from < to && gap.to > from)
                within.push_back(gap);
        return within;
    }
};
