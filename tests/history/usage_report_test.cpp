#include "history/history_store.h"
#include "history/usage_report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

using namespace tarvo;

namespace {

class FakeSettings : public SettingsStore {
public:
    std::map<QString, QString> values;
    QString value(const QString& application, const QString& section, const QString& key,
                  const QString& defaultValue) const override {
        auto it = values.find(application + u'/' + section + u'/' + key);
        return it == values.end() ? defaultValue : it->second;
    }
    void setValue(const QString& application, const QString& section, const QString& key,
                  const QString& value) override {
        values[application + u'/' + section + u'/' + key] = value;
    }
    void set(const char* key, const char* value) {
        setValue(QStringLiteral("Tarvo"), QStringLiteral("settings"), QString::fromLatin1(key),
                 QString::fromLatin1(value));
    }
};

struct Fixture {
    QTemporaryDir dir;
    HistoryStore store{dir.filePath(QStringLiteral("history.sqlite")),
                       HistoryStore::Mode::ReadWrite};
    void add(const QDateTime& when, const char* name, std::uint64_t rx, std::uint64_t tx) {
        const qint64 k = HistoryStore::minuteKey(when);
        ASSERT_TRUE(store.writeMinute(k, {{QString::fromLatin1(name), rx, tx}},
                                      HistoryMark{0, 0, k, QString(), "B"}));
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

    const QJsonObject root = parse(usageJson(f.store, now, std::nullopt));
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
    FakeSettings settings;
    settings.set("quota_mb", "2048");
    settings.set("cycle_day", "5");
    const auto quota = quotaFromSettings(settings);
    ASSERT_TRUE(quota.has_value());
    const QJsonObject q =
        parse(usageJson(f.store, now, quota)).value(QStringLiteral("quota")).toObject();
    EXPECT_EQ(q.value(QStringLiteral("limit")).toInteger(), 2048LL * 1024 * 1024);
    EXPECT_EQ(q.value(QStringLiteral("cycle_start")).toString(), u"2026-12-05");
    EXPECT_EQ(q.value(QStringLiteral("used")).toInteger(), 800);
    // 4 days of the 31 from 5 December to 5 January.
    EXPECT_EQ(q.value(QStringLiteral("projected")).toInteger(), 800 * 31 / 4);
}

TEST(UsageReport, QuotaZeroOrUnsetOrNotANumberIsNone) {
    FakeSettings settings;
    EXPECT_FALSE(quotaFromSettings(settings).has_value());
    settings.set("quota_mb", "0");
    EXPECT_FALSE(quotaFromSettings(settings).has_value());
    settings.set("quota_mb", "lots");
    EXPECT_FALSE(quotaFromSettings(settings).has_value());
    settings.set("quota_mb", "10");
    ASSERT_TRUE(quotaFromSettings(settings).has_value());
    EXPECT_EQ(quotaFromSettings(settings)->cycleDay, 1); // no cycle day: the first
    settings.set("cycle_day", "31");
    EXPECT_EQ(quotaFromSettings(settings)->cycleDay, 31);
}

TEST(UsageReport, TableListsTheSameFigures) {
    Fixture f;
    const QDateTime now(QDate(2026, 12, 8), QTime(14, 30));
    f.add(QDateTime(QDate(2026, 12, 8), QTime(9, 15)), "eth0", 123456789, 987654);
    const QString table = usageTable(f.store, now, std::nullopt);
    EXPECT_TRUE(table.contains(QStringLiteral("eth0")));
    EXPECT_TRUE(table.contains(QStringLiteral("2026-12-08T09")));
    EXPECT_TRUE(table.contains(QStringLiteral("123456789")));
    EXPECT_TRUE(table.contains(QStringLiteral("28/06/1448")));
    EXPECT_EQ(table.count(QStringLiteral("123456789")), 3); // its hour, day and month
}
