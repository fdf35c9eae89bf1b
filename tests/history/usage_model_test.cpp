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

TEST(UsageTable, ColumnHeadersExact) {
    EXPECT_EQ(usageColumnHeaders(),
              QStringList({QStringLiteral("التاريخ"), QStringLiteral("التاريخ الهجري"),
                           QStringLiteral("المستلم"), QStringLiteral("المرسل"),
                           QStringLiteral("المجموع")}));
}

TEST(UsageTable, HoursShowTheHourAndTodaysHijriDate) {
    const QDate day(2017, 4, 7); // 10 Rajab 1438
    const auto rows = usageTableRows({row(day, 0, 0, 0), row(day, 9, 3 * MB, MB / 2),
                                      row(day, 23, GB, GB / 2)},
                                     UsagePeriod::Today);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (UsageTableRow{"00:00", "10/07/1438", "0.00 MB", "0.00 MB", "0.00 MB"}));
    EXPECT_EQ(rows[1], (UsageTableRow{"09:00", "10/07/1438", "3.00 MB", "0.50 MB", "3.50 MB"}));
    EXPECT_EQ(rows[2], (UsageTableRow{"23:00", "10/07/1438", "1.00 GB", "512.00 MB", "1.50 GB"}));
}

TEST(UsageTable, DaysShowGregorianAndHijriDates) {
    const auto rows = usageTableRows({row(QDate(2017, 5, 27), 0, 0, MB),
                                      row(QDate(2017, 5, 28), 0, 2 * MB, 0)},
                                     UsagePeriod::Days);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].date, "27/05/2017");
    EXPECT_EQ(rows[0].hijriDate, "01/09/1438"); // 1 Ramadan 1438
    EXPECT_EQ(rows[1].date, "28/05/2017");
    EXPECT_EQ(rows[1].hijriDate, "02/09/1438");
    EXPECT_EQ(rows[0].total, "1.00 MB");
    EXPECT_EQ(rows[1].received, "2.00 MB");
}

TEST(UsageTable, MonthsShowTheMonthAndTheHijriDateOfItsFirstDay) {
    const auto rows = usageTableRows({row(QDate(2017, 4, 1), 0, 0, 0)}, UsagePeriod::Months);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].date, "04/2017");
    EXPECT_EQ(rows[0].hijriDate, "04/07/1438"); // 7 April is 10 Rajab
}

TEST(UsageTable, TotalDoesNotOverflowBelowTheTopOfTheCounters) {
    const auto rows = usageTableRows({row(QDate(2017, 4, 7), 0, 3 * GB, 5 * GB)},
                                     UsagePeriod::Today);
    EXPECT_EQ(rows[0].total, "8.00 GB");
}

TEST(UsageCsv, HeaderIsoDatesAndIntegerBytes) {
    const QDate day(2017, 4, 7);
    const QString csv =
        usageCsv({row(day, 0, 0, 0), row(day, 9, 5000000000ull, 123)}, UsagePeriod::Today);
    const QStringList lines = csv.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 4); // three rows and the empty text after the last line end
    EXPECT_EQ(lines[0], QStringLiteral("التاريخ,التاريخ الهجري,المستلم,المرسل,المجموع"));
    EXPECT_EQ(lines[1], "2017-04-07T00:00,1438-07-10,0,0,0");
    EXPECT_EQ(lines[2], "2017-04-07T09:00,1438-07-10,5000000000,123,5000000123");
    EXPECT_EQ(lines[3], "");
}

TEST(UsageCsv, DaysAndMonths) {
    EXPECT_EQ(usageCsv({row(QDate(2017, 5, 27), 0, 1, 2)}, UsagePeriod::Days).section("\r\n", 1, 1),
              "2017-05-27,1438-09-01,1,2,3");
    EXPECT_EQ(
        usageCsv({row(QDate(2017, 4, 1), 0, UINT64_MAX / 2, 0)}, UsagePeriod::Months)
            .section("\r\n", 1, 1),
        "2017-04,1438-07-04,9223372036854775807,0,9223372036854775807");
}

TEST(UsageCsv, EncodesAsUtf8) {
    const QByteArray bytes = usageCsv({}, UsagePeriod::Days).toUtf8();
    // "التاريخ" begins with alef, U+0627, D8 A7 in UTF-8.
    EXPECT_TRUE(bytes.startsWith("\xD8\xA7\xD9\x84"));
    EXPECT_TRUE(bytes.endsWith("\r\n"));
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
