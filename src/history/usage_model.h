#pragma once

#include "history/usage_source.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace tarvo {

// What the usage window shows and exports, without widgets.

enum class UsagePeriod { Today, Days, Months };

// An amount as on the strip, 1024-based: below 1 GB in MB with two decimals ("512.00 MB"),
// else in GB ("1.50 GB").
QString amountText(std::uint64_t bytes);

// The rows of a period ending today: the 24 hours of today, the last 31 days or the last 12
// months, oldest first. No source: no rows.
std::vector<UsageRow> readUsage(UsageSource* source, UsagePeriod period, const QDate& today);

// The table's columns, in order.
QStringList usageColumnHeaders();

struct UsageTableRow {
    QString date, hijriDate, received, sent, total;
    bool operator==(const UsageTableRow&) const = default;
};

// The rows as the table shows them. The Hijri date of an hour is that of its day, of a month
// that of its first day.
std::vector<UsageTableRow> usageTableRows(const std::vector<UsageRow>& rows, UsagePeriod period);

// The rows as CSV (RFC 4180, UTF-8 when saved): a header row, ISO dates (Hijri ones as
// year-month-day too), bytes as integers.
QString usageCsv(const std::vector<UsageRow>& rows, UsagePeriod period);

} // namespace tarvo
