#include "history/history_store.h"
#include "history/usage_report.h"
#include "support/fakes.h"
#include "support/temp_history.h"
#include "support/time_zone.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <map>

using namespace tarvo;

namespace {

struct Fixture : TempHistory {
    void add(const QDateTime& when, const char* name, std::uint64_t rx, std::uint64_t tx) {
        ASSERT_TRUE(addMinute(store, when, QString::fromLatin1(name), rx, tx));
    }
};

QJsonObject parse(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return doc.object();
}

} // namespace

TEST(UsageReport, JsonHoldsHoursDaysMonthsAndInterfaces) {
    Fixture f;
    const QDateTime now(QDate(2026, 12, 8), QTime(14, 30));
    f.add(QDateTime(QDate(2026, 12, 8), QTime(9, 15)), "eth0", 1000, 100);
    f.add(QDateTime(QDate(2026, 12, 8), QTime(9, 16)), "wlan0", 500, 50);
    f.add(QDateTime(QDate(2026, 12, 8), QTime(14, 29)), "eth0", 3, 4);
    f.add(QDateTime(QDate(2026, 11, 8), QTime(0, 0)), "eth0", 7000000000, 1); // beyond 32 bits
    f.add(QDateTime(QDate(2026, 11, 7), QTime(23, 59)), "eth0", 9, 9);        // 32 days ago
    f.add(QDateTime(QDate(2025, 12, 31), QTime(12, 0)), "eth0", 11, 11);      // 12 months ago
    f.add(QDateTime(QDate(2025, 11, 30), QTime(12, 0)), "eth0", 13, 13);      // 13 months ago

    const QJsonObject root = parse(usageJson(f.store, now, {}));
    EXPECT_EQ(root.value(QStringLiteral("interfaces")).toArray(),
              QJsonArray({QStringLiteral("eth0"), QStringLiteral("wlan0")}));

    const QJsonArray hours = root.value(QStringLiteral("hours")).toArray();
    ASSERT_EQ(hours.size(), 24);
    EXPECT_EQ(hours[0].toObject().value(QStringLiteral("hour")).toString(), u"2026-12-08T00");
    EXPECT_EQ(hours[9].toObject().value(QStringLiteral("received")).toInteger(), 1500);
    EXPECT_EQ(hours[9].toObject().value(QStringLiteral("sent")).toInteger(), 150);
    EXPECT_EQ(hours[14].toObject().value(QStringLiteral("received")).toInteger(), 3);
    EXPECT_EQ(hours[10].toObject().value(QStringLiteral("received")).toInteger(), 0);

    const QJsonArray days = root.value(QStringLiteral("days")).toArray();
    ASSERT_EQ(days.size(), 31);
    const QJsonObject first = days[0].toObject();
    EXPECT_EQ(first.value(QStringLiteral("date")).toString(), u"2026-11-08");
    EXPECT_EQ(first.value(QStringLiteral("received")).toInteger(), 7000000000);
    const QJsonObject today = days[30].toObject();
    EXPECT_EQ(today.value(QStringLiteral("date")).toString(), u"2026-12-08");
    EXPECT_EQ(today.value(QStringLiteral("received")).toInteger(), 1503);
    EXPECT_EQ(today.value(QStringLiteral("sent")).toInteger(), 154);
    // 8 December 2026 is 28 Jumada al-Akhirah 1448 in the Umm al-Qura calendar.
    EXPECT_EQ(today.value(QStringLiteral("hijri")).toString(), u"28/06/1448");

    const QJsonArray months = root.value(QStringLiteral("months")).toArray();
    ASSERT_EQ(months.size(), 12);
    EXPECT_EQ(months[0].toObject().value(QStringLiteral("month")).toString(), u"2026-01");
    EXPECT_EQ(months[11].toObject().value(QStringLiteral("month")).toString(), u"2026-12");
    EXPECT_EQ(months[10].toObject().value(QStringLiteral("received")).toInteger(), 7000000009);
    EXPECT_EQ(months[11].toObject().value(QStringLiteral("received")).toInteger(), 1503);
    EXPECT_TRUE(root.value(QStringLiteral("quota")).isNull());
}

TEST(UsageReport, QuotaFromTheCycleStartWithItsProjection) {
    Fixture f;
    const QDateTime now(QDate(2026, 12, 8), QTime(14, 30));
    f.add(QDateTime(QDate(2026, 12, 4), QTime(23, 59)), "eth0", 1000, 0); // before the cycle
    f.add(QDateTime(QDate(2026, 12, 5), QTime(0, 0)), "eth0", 300, 100);
    f.add(QDateTime(QDate(2026, 12, 8), QTime(14, 0)), "eth0", 400, 0);
    const QJsonObject q =
        parse(usageJson(f.store, now, {2048, 5})).value(QStringLiteral("quota")).toObject();
    EXPECT_EQ(q.value(QStringLiteral("limit")).toInteger(), 2048LL * 1024 * 1024);
    EXPECT_EQ(q.value(QStringLiteral("cycle_start")).toString(), u"2026-12-05");
    EXPECT_EQ(q.value(QStringLiteral("used")).toInteger(), 800);
    // 4 days of the 31 from 5 December to 5 January.
    EXPECT_EQ(q.value(QStringLiteral("projected")).toInteger(), 800 * 31 / 4);
}

// What "--usage" reports of the allowance is what the usage window shows, for settings a
// user may have written by hand too.
TEST(UsageReport, QuotaIsTheWindowsForAnySettingsText) {
    Fixture f;
    const QDateTime now(QDate(2026, 12, 8), QTime(14, 30));
    f.add(QDateTime(QDate(2026, 12, 2), QTime(8, 0)), "eth0", 5000, 500);
    const char* const quotas[] = {"100", "-5", "x", "9000000000000", "", " 7 ", "0"};
    const char* const days[] = {"15", "0", "32", "40", "-1", "x", ""};
    for (const char* quotaText : quotas) {
        for (const char* dayText : days) {
            FakeSettings settings;
            settings.at("quota_mb") = quotaText;
            settings.at("cycle_day") = dayText;
            const AllowanceSettings allowance = readAllowanceSettings(settings);
            const AllowanceState window = allowanceToday(&f.store, allowance, now.date());
            const QJsonValue quota =
                parse(usageJson(f.store, now, allowance)).value(QStringLiteral("quota"));
            SCOPED_TRACE(std::string(quotaText) + " / " + dayText);
            ASSERT_EQ(quota.isNull(), !window.hasQuota());
            if (quota.isNull())
                continue;
            const QJsonObject q = quota.toObject();
            EXPECT_EQ(q.value(QStringLiteral("limit")).toInteger(), qint64(window.quota));
            EXPECT_GT(q.value(QStringLiteral("limit")).toInteger(), 0);
            EXPECT_EQ(q.value(QStringLiteral("cycle_start")).toString(),
                      window.cycleStart.toString(Qt::ISODate));
            EXPECT_EQ(q.value(QStringLiteral("used")).toInteger(), qint64(window.used));
        }
    }
}

// The local time zone of these tests, for the length of one test.
class UsageReportInZone : public ::testing::Test {
protected:
    void setZone(const char* zone) { zone_.set(zone); }
    ScopedTimeZone zone_;
};

TEST_F(UsageReportInZone, AnHourThatDaylightSavingTimeSkipsKeepsItsLabel) {
    const struct {
        const char* zone;
        QDate day;
        int skipped;
    } cases[] = {{"Europe/Berlin", QDate(2026, 3, 29), 2},
                 {"America/New_York", QDate(2026, 3, 8), 2},
                 {"Africa/Cairo", QDate(2026, 4, 24), 0}};
#ifdef Q_OS_WIN
    GTEST_SKIP() << "Windows takes the local zone from the system, not from TZ";
#endif
    for (const auto& c : cases) {
        setZone(c.zone);
        SCOPED_TRACE(c.zone);
        ASSERT_FALSE(QDateTime(c.day, QTime(c.skipped, 0)).isValid()) << "no such zone here";
        Fixture f;
        f.add(QDateTime(c.day, QTime(c.skipped + 1, 5)), "eth0", 10, 1);
        const QJsonObject root = parse(usageJson(f.store, QDateTime(c.day, QTime(12, 0)), {}));
        const QJsonArray hours = root.value(QStringLiteral("hours")).toArray();
        ASSERT_EQ(hours.size(), 24);
        for (int h = 0; h < 24; ++h)
            EXPECT_EQ(hours[h].toObject().value(QStringLiteral("hour")).toString(),
                      c.day.toString(Qt::ISODate) +
                          QStringLiteral("T%1").arg(h, 2, 10, QChar(u'0')));
        EXPECT_EQ(hours[c.skipped + 1].toObject().value(QStringLiteral("received")).toInteger(),
                  10);
        const QJsonArray days = root.value(QStringLiteral("days")).toArray();
        EXPECT_EQ(days.last().toObject().value(QStringLiteral("date")).toString(),
                  c.day.toString(Qt::ISODate));
        EXPECT_EQ(days.last().toObject().value(QStringLiteral("received")).toInteger(), 10);
    }
}

// The autumn change repeats an hour; a clock set back repeats any. The allowance's use is
// the cycle's, at every minute of both passes.
TEST_F(UsageReportInZone, TheAllowanceUseHoldsWhileTheClockRepeatsAnHour) {
    setZone("Europe/Berlin");
    Fixture f;
    const QDate day(2026, 10, 25);
    f.add(QDateTime(QDate(2026, 10, 3), QTime(9, 0)), "eth0", 159000000, 670584);
    f.add(QDateTime(day, QTime(2, 40)), "eth0", 1000, 0); // the first pass of 02:40
    // 00:00 UTC is 02:00 summer time; 01:00 UTC is 02:00 again, standard time.
    const QDateTime firstPass = QDateTime(day, QTime(0, 0), Qt::UTC);
    const AllowanceSettings allowance{1000, 1};
    const std::uint64_t expected = 159000000 + 670584 + 1000;
    for (int minute = -60; minute <= 180; minute += 7) {
        const QDateTime now = firstPass.addSecs(minute * 60).toLocalTime();
        SCOPED_TRACE(now.toString(Qt::ISODateWithMs).toStdString());
        const QJsonObject q =
            parse(usageJson(f.store, now, allowance)).value(QStringLiteral("quota")).toObject();
        EXPECT_EQ(q.value(QStringLiteral("used")).toInteger(), qint64(expected));
        EXPECT_EQ(allowanceToday(&f.store, allowance, now.date()).used, expected);
    }
    // A clock set back a day within the cycle reads the same cycle.
    const QJsonObject q =
        parse(usageJson(f.store, QDateTime(day.addDays(-1), QTime(23, 0)), allowance))
            .value(QStringLiteral("quota"))
            .toObject();
    EXPECT_EQ(q.value(QStringLiteral("used")).toInteger(), qint64(expected));
}

TEST(UsageReport, TableListsTheSameFigures) {
    Fixture f;
    const QDateTime now(QDate(2026, 12, 8), QTime(14, 30));
    f.add(QDateTime(QDate(2026, 12, 8), QTime(9, 15)), "eth0", 123456789, 987654);
    const QString table = usageTable(f.store, now, {});
    EXPECT_TRUE(table.contains(QStringLiteral("eth0")));
    EXPECT_TRUE(table.contains(QStringLiteral("2026-12-08T09")));
    EXPECT_TRUE(table.contains(QStringLiteral("123456789")));
    EXPECT_TRUE(table.contains(QStringLiteral("28/06/1448")));
    EXPECT_EQ(table.count(QStringLiteral("123456789")), 3); // its hour, day and month
}
