#pragma once

#include "history/amounts.h"
#include "history/usage_source.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <vector>

namespace tarvo {

// What the usage window shows and exports, without widgets.

enum class UsagePeriod { Today, Days, Months };

// A period's tab: "اليوم", "الأيام", "الأشهر".
QString usageTabName(UsagePeriod period);

// The one line that says what MB and GB mean.
QString unitsNote();

// The rows of a period ending today: the 24 hours of today, the last 31 days or the last 12
// months, oldest first. No source: no rows.
std::vector<UsageRow> readUsage(UsageSource* source, UsagePeriod period, const QDate& today);

// A period's table columns, in order. Today's table has no Hijri column: one line above it
// gives today's Hijri date (todayLine).
QStringList usageColumnHeaders(UsagePeriod period);

// Today's Gregorian and Hijri dates in words, for the line above today's table.
QString todayLine(const QDate& today);

// The Hijri months a Gregorian month touches, in order, with their years
// ("رجب - شعبان 1438", "ذو الحجة 1437 - المحرم 1438").
QString hijriMonthSpans(const QDate& anyDayOfMonth);

// Marks a row that holds traffic counted before the meter ran.
inline constexpr char16_t BeforeMeterNote[] = u"يشمل ما عُدّ قبل تشغيل البرنامج";

struct UsageTableRow {
    QString date, hijriDate, received, sent, total;
    bool beforeMeter = false; // date then ends with " *"
    bool spread = false;      // a router's, spread over a gap in its readings: " ~"
    bool operator==(const UsageTableRow&) const = default;
    // The cells in the order of usageColumnHeaders(period).
    QStringList cells(UsagePeriod period) const;
};

// The rows as the table shows them, newest first.
std::vector<UsageTableRow> usageTableRows(const std::vector<UsageRow>& rows, UsagePeriod period);

// A bar's label on the time axis: the hour ("09"), the day of the month ("7"), the month's
// Arabic name.
QString usageBarLabel(const UsageRow& row, UsagePeriod period);
// The title of a period's time axis.
QString usageAxisTitle(UsagePeriod period);
// A bar's tool tip: its stretch of time (Gregorian and Hijri) and its amounts.
QString usageBarToolTip(const UsageRow& row, UsagePeriod period);

// The rows of the three periods (indexed as UsagePeriod) as one CSV text for a spreadsheet:
// a byte order mark, a header row naming the byte unit, a first column naming the tab, ISO
// dates, Hijri dates as "dd/mm/yyyy" (of the stretch's first day), bytes as integers; each
// period oldest first. RFC 4180, CR LF line ends. A router's rows name it beside the tab.
QString usageCsv(const std::array<std::vector<UsageRow>, 3>& rows, const QString& router = {});

} // namespace tarvo
