#include "history/usage_model.h"

#include "history/fake_usage_source.h"

#include <gtest/gtest.h>

using namespace tarvo;

namespace {

constexpr std::uint64_t MB = 1024 * 1024;
constexpr std::uint64_t GB = 1024 * MB;

UsageRow row(QDate day, int hour, std::uint64_t received, std::uint64_t sent) {
    return {QDateTime(day, QTime(hour, 0)), received, sent};
}

} // namespace

TEST(AmountText, MegabytesWithTwoDecimalsBelowOneGigabyte) {
    EXPECT_EQ(amountText(0), "0.00 MB");
    EXPECT_EQ(amountText(MB), "1.00 MB");
    EXPECT_EQ(amountText(512 * MB), "512.00 MB");
    // 5242 bytes are 0.004999 MB, 5243 bytes 0.0050002 MB: rounded half up.
    EXPECT_EQ(amountText(5242), "0.00 MB");
    EXPECT_EQ(amountText(5243), "0.01 MB");
    EXPECT_EQ(amountText(MB + MB / 2), "1.50 MB");
    EXPECT_EQ(amountText(MB + 10 * MB / 100 + 1), "1.10 MB"); // 1.1000009...
    // 1023.9949999 MB still reads in MB.
    EXPECT_EQ(amountText(GB - 5243), "1023.99 MB");
}

TEST(AmountText, GigabytesFromOneGigabyte) {
    EXPECT_EQ(amountText(GB), "1.00 GB");
    // 1023.995001 MB would read "1024.00 MB": it is 1.00 GB.
    EXPECT_EQ(amountText(GB - 5242), "1.00 GB");
    EXPECT_EQ(amountText(GB - 1), "1.00 GB");
    EXPECT_EQ(amountText(GB + GB / 2), "1.50 GB");
    EXPECT_EQ(amountText(10 * GB + GB / 4), "10.25 GB");
    EXPECT_EQ(amountText(1024 * GB), "1024.00 GB");
    // 2^64 - 1 bytes are 17179869183.999999999 GB.
    EXPECT_EQ(amountText(UINT64_MAX), "17179869184.00 GB");
}

TEST(UsageTable, TodayHasTheHourFirstAndNoHijriColumn) {
    EXPECT_EQ(usageColumnHeaders(UsagePeriod::Today),
              QStringList({QStringLiteral("الساعة"), QStringLiteral("المستلم"),
                           QStringLiteral("المرسل"), QStringLiteral("المجموع")}));
    EXPECT_EQ(usageColumnHeaders(UsagePeriod::Days).size(), 5);
    // Today's Hijri date is said once, above the table.
    EXPECT_EQ(todayLine(QDate(2017, 4, 7)),
              QStringLiteral("اليوم الجمعة 10 رجب 1438 هـ، 7 إبريل 2017 م"));
}

TEST(UsageTable, NewestRowFirst) {
    const QDate day(2017, 4, 7); // 10 Rajab 1438
    const auto hours =
        usageTableRows({row(day, 0, 0, 0), row(day, 9, 3 * MB, MB / 2), row(day, 23, GB, GB / 2)},
                       UsagePeriod::Today);
    ASSERT_EQ(hours.size(), 3u);
    EXPECT_EQ(hours[0].cells(UsagePeriod::Today),
              QStringList({"23:00", "1.00 GB", "512.00 MB", "1.50 GB"}));
    EXPECT_EQ(hours[1].cells(UsagePeriod::Today),
              QStringList({"09:00", "3.00 MB", "0.50 MB", "3.50 MB"}));
    EXPECT_EQ(hours[2].date, "00:00");

    const auto days =
        usageTableRows({row(QDate(2017, 5, 27), 0, 0, MB), row(QDate(2017, 5, 28), 0, 2 * MB, 0)},
                       UsagePeriod::Days);
    ASSERT_EQ(days.size(), 2u);
    EXPECT_EQ(days[0].cells(UsagePeriod::Days),
              QStringList({"28/05/2017", "02/09/1438", "2.00 MB", "0.00 MB", "2.00 MB"}));
    EXPECT_EQ(days[1].hijriDate, "01/09/1438"); // 1 Ramadan 1438
}

TEST(UsageTable, MonthsNameEachHijriMonthTheyTouch) {
    // 1 April 2017 is 4 Rajab 1438, 30 April 4 Shaban.
    const auto rows = usageTableRows({row(QDate(2017, 4, 1), 0, 0, 0)}, UsagePeriod::Months);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].date, QStringLiteral("إبريل 2017"));
    EXPECT_EQ(rows[0].hijriDate, QStringLiteral("رجب - شعبان 1438"));
    // 1 September 2017 is 10 Dhu al-Hijja 1438, the 21st 1 Muharram 1439: both years named.
    EXPECT_EQ(hijriMonthSpans(QDate(2017, 9, 15)), QStringLiteral("ذو الحجة 1438 - المحرم 1439"));
}

TEST(UsageTable, RowsCountedBeforeTheMeterRanAreMarked) {
    UsageRow early = row(QDate(2017, 4, 7), 8, 90 * MB, MB);
    early.beforeMeter = 80 * MB;
    const auto rows =
        usageTableRows({early, row(QDate(2017, 4, 7), 9, MB, MB)}, UsagePeriod::Today);
    EXPECT_FALSE(rows[0].beforeMeter);
    EXPECT_EQ(rows[0].date, "09:00");
    EXPECT_TRUE(rows[1].beforeMeter);
    EXPECT_EQ(rows[1].date, "08:00 *");
    EXPECT_TRUE(usageBarToolTip(early, UsagePeriod::Today).endsWith(BeforeMeterNote));
}

TEST(UsageTable, TotalDoesNotOverflowBelowTheTopOfTheCounters) {
    const auto rows =
        usageTableRows({row(QDate(2017, 4, 7), 0, 3 * GB, 5 * GB)}, UsagePeriod::Today);
    EXPECT_EQ(rows[0].total, "8.00 GB");
}

TEST(UsageChart, BarsNameTheirStretchAndAmounts) {
    EXPECT_EQ(usageBarLabel(row(QDate(2017, 4, 7), 9, 0, 0), UsagePeriod::Today), "09");
    EXPECT_EQ(usageBarLabel(row(QDate(2017, 4, 7), 9, 0, 0), UsagePeriod::Days), "7");
    EXPECT_EQ(usageBarLabel(row(QDate(2017, 4, 1), 0, 0, 0), UsagePeriod::Months),
              QStringLiteral("إبريل"));
    EXPECT_EQ(usageBarToolTip(row(QDate(2017, 4, 7), 9, 3 * MB, MB / 2), UsagePeriod::Today),
              QStringLiteral("الساعة 09:00\nالجمعة 07/04/2017 م\n10/07/1438 هـ\n"
                             "المستلم: 3.00 MB\nالمرسل: 0.50 MB"));
    EXPECT_TRUE(usageBarToolTip(row(QDate(2017, 4, 1), 0, 0, 0), UsagePeriod::Months)
                    .startsWith(QStringLiteral("إبريل 2017 م\nرجب - شعبان 1438 هـ\n")));
}

TEST(UsageCsv, OneFileOfAllThreeTabsForASpreadsheet) {
    const QDate day(2017, 4, 7);
    UsageRow early = row(day, 0, 100, 0);
    early.beforeMeter = 60;
    const QString csv = usageCsv({std::vector{early, row(day, 9, 5000000000ull, 123)},
                                  std::vector{row(QDate(2017, 5, 27), 0, 1, 2)},
                                  std::vector{row(QDate(2017, 4, 1), 0, UINT64_MAX / 2, 0)}});
    // The byte order mark first, so that spreadsheet programs read the Arabic as UTF-8.
    EXPECT_TRUE(csv.toUtf8().startsWith("\xEF\xBB\xBF"));
    const QStringList lines = csv.mid(1).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 6); // the header, four rows, the empty text after the last line end
    EXPECT_EQ(lines[0],
              QStringLiteral("الجدول,التاريخ,التاريخ الهجري,المستلم (بايت),"
                             "المرسل (بايت),المجموع (بايت),منه قبل تشغيل البرنامج (بايت)"));
    // Oldest first in each tab; Hijri dates as "--usage --json" writes them.
    EXPECT_EQ(lines[1], QStringLiteral("اليوم,2017-04-07 00:00,10/07/1438,100,0,100,60"));
    EXPECT_EQ(lines[2],
              QStringLiteral("اليوم,2017-04-07 09:00,10/07/1438,5000000000,123,5000000123,0"));
    EXPECT_EQ(lines[3], QStringLiteral("الأيام,2017-05-27,01/09/1438,1,2,3,0"));
    EXPECT_EQ(lines[4], QStringLiteral("الأشهر,2017-04,04/07/1438,9223372036854775807,0,"
                                       "9223372036854775807,0"));
    EXPECT_EQ(lines[5], "");
}

TEST(ReadUsage, AsksForTheRightRanges) {
    FakeUsageSource source(QDate(2016, 1, 1), QDate(2017, 12, 31));
    const QDate today(2017, 3, 15);
    EXPECT_EQ(readUsage(&source, UsagePeriod::Today, today).size(), 24u);
    EXPECT_EQ(source.hoursDay, today);
    EXPECT_EQ(readUsage(&source, UsagePeriod::Days, today).size(), 31u);
    EXPECT_EQ(source.daysFirst, QDate(2017, 2, 13));
    EXPECT_EQ(source.daysLast, today);
    const auto months = readUsage(&source, UsagePeriod::Months, today);
    EXPECT_EQ(months.size(), 12u);
    EXPECT_EQ(source.monthsFirst, QDate(2016, 4, 1));
    EXPECT_EQ(source.monthsLast, today);
    EXPECT_EQ(months.front().start.date(), QDate(2016, 4, 1));
    EXPECT_EQ(months.back().start.date(), QDate(2017, 3, 1));
}

TEST(ReadUsage, NoSourceNoRows) {
    for (UsagePeriod period : {UsagePeriod::Today, UsagePeriod::Days, UsagePeriod::Months})
        EXPECT_TRUE(readUsage(nullptr, period, QDate(2017, 4, 7)).empty());
}
