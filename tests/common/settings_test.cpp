#include "common/digits.h"
#include "common/settings.h"
#include "common/settings_store.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <map>
#include <memory>
#include <vector>

using namespace tarvo;

namespace {

QString text16(std::u16string_view text) {
    return QString::fromUtf16(text.data(), qsizetype(text.size()));
}

struct Row {
    QString key; // "section/name"
    QByteArray stored;
    QString readsAs;
};

// What a value the user may have written reads as, key by key. Each is written as it stands
// in the file, unquoted, and most are nothing the program writes.
const std::vector<Row> kRows = {
    {"settings/ontop", "yes", "0"},
    {"settings/ontop", "2", "0"},
    {"settings/ontop", "", "0"},
    {"settings/ontop", "1", "1"},
    // The text as written; blanks and empty names are the counting rule's to drop.
    {"settings/interfaces", "wlan0,usb*", "wlan0,usb*"},
    {"settings/router", "ftp://192.168.1.1/rootDesc.xml", "off"},
    {"settings/router", "192.168.1.1", "off"},
    {"settings/router", "http://[192.168.1.1/rootDesc.xml", "off"},
    {"settings/router", "AUTO", "auto"},
    {"settings/router", "", "auto"},
    {"settings/router", "Off", "off"},
    {"settings/router", "http://192.168.1.1:5000/rootDesc.xml",
     "http://192.168.1.1:5000/rootDesc.xml"},
    {"settings/quota_mb", "-5", "0"},
    {"settings/quota_mb", "+5", "0"},
    {"settings/quota_mb", "-0", "0"},
    {"settings/quota_mb", "1e3", "0"},
    {"settings/quota_mb", "١٠", "0"}, // Arabic-Indic digits: QString's reader would take them
    {"settings/quota_mb", "100000001", "0"},
    {"settings/quota_mb", "18446744073709551617", "0"}, // 2^64 + 1, wrapping to 1
    {"settings/quota_mb", "100000000", "100000000"},
    {"settings/quota_mb", "0500", "500"},
    {"settings/cycle_day", "0", "1"},
    {"settings/cycle_day", "32", "1"},
    {"settings/cycle_day", "-1", "1"},
    {"settings/cycle_day", "15.5", "1"},
    {"settings/cycle_day", "007", "7"},
    {"settings/quota_source", "Router", "computer"},
    {"settings/quota_source", "routers", "computer"},
    {"settings/quota_source", "router", "router"},
    {"settings/quota_router", "uuid:abc", "uuid:abc"},
    // "<cycle start> <mark> <allowance>"; anything else is nothing told.
    {"settings/quota_notified", "garbage", ""},
    {"settings/quota_notified", "2026-13-01 80 100", ""},
    {"settings/quota_notified", "2026-1-1 80 100", ""},
    {"settings/quota_notified", "2026-01-01 eighty 100", ""},
    {"settings/quota_notified", "2026-01-01 180 100", ""},
    {"settings/quota_notified", "2026-01-01 80 -100", ""},
    {"settings/quota_notified", "2026-01-01 80 100 7", ""},
    {"settings/quota_notified", "2026-01-01  80", ""},
    {"settings/quota_notified", "2026-01-01 80", "2026-01-01 80"}, // before the allowance was in it
    {"settings/quota_notified", "2026-01-01 100 0500", "2026-01-01 100 500"},
};

const SettingKey* keyAt(const QString& path) {
    for (const SettingKey& key : kSettingKeys)
        if (path == text16(key.section) + u'/' + text16(key.name))
            return &key;
    return nullptr;
}

// Rounds of the table, each with the next row of every key, so that each file holds a value
// for every key at once and a key read under another's name shows.
std::vector<std::vector<const Row*>> rounds() {
    std::vector<std::vector<const Row*>> out;
    std::map<QString, size_t> seen;
    for (const Row& row : kRows) {
        const size_t round = seen[row.key]++;
        out.resize(std::max(out.size(), round + 1));
        out[round].push_back(&row);
    }
    return out;
}

void expectRound(const SettingsView& settings, const std::vector<const Row*>& round) {
    for (const Row* row : round) {
        const SettingKey* key = keyAt(row->key);
        ASSERT_TRUE(key) << row->key.toStdString();
        EXPECT_EQ(settings.text(*key), row->readsAs)
            << row->key.toStdString() << "=" << row->stored.toStdString();
    }
}

} // namespace

TEST(Settings, EveryKeyHasRowsAndAMissingValueReadsAsItsDefault) {
    FakeSettings empty;
    for (const SettingKey& key : kSettingKeys) {
        const QString path = text16(key.section) + u'/' + text16(key.name);
        EXPECT_TRUE(std::any_of(kRows.begin(), kRows.end(), [&](const Row& row) {
            return row.key == path;
        })) << path.toStdString();
        EXPECT_EQ(SettingsView(empty).text(key), text16(key.fallback)) << path.toStdString();
    }
}

TEST(Settings, AFileFullOfBadValuesReadsByEachKeysRule) {
#ifdef _WIN32
    GTEST_SKIP() << "the settings are in the registry on Windows, not a file edited by hand";
#endif
    for (const std::vector<const Row*>& round : rounds()) {
        // A folder of its own for each file: Qt keeps what it read of a file of the same path,
        // size and time.
        QTemporaryDir dir;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
        QDir().mkpath(dir.filePath("Tarvo"));
        QByteArray file = "[settings]\n";
        for (const Row* row : round)
            file += row->key.section(u'/', 1).toUtf8() + '=' + row->stored + '\n';
        writeFixture(dir, "Tarvo/Tarvo.conf", file);
        QtSettingsStore store;
        expectRound(SettingsView(store), round);
    }
}

TEST(Settings, StoredTextsReadByEachKeysRule) {
    // As the registry hands them over: the text as it was stored.
    for (const std::vector<const Row*>& round : rounds()) {
        FakeSettings store;
        for (const Row* row : round)
            store.values["Tarvo/" + row->key] = QString::fromUtf8(row->stored);
        expectRound(SettingsView(store), round);
    }
}

TEST(Settings, TypedValuesAndWhatTheSettersWrite) {
    FakeSettings store;
    Settings settings(store);
    EXPECT_TRUE(settings.alwaysOnTop());
    EXPECT_EQ(settings.router(), u"auto");
    EXPECT_EQ(settings.quotaMb(), 0u);
    EXPECT_EQ(settings.cycleDay(), 1);
    EXPECT_EQ(settings.quotaSource(), QuotaSource::Computer);
    EXPECT_EQ(settings.quotaNotified(), AllowanceNotice{});
    EXPECT_TRUE(store.values.isEmpty()); // reading writes nothing

    settings.setAlwaysOnTop(false);
    EXPECT_EQ(store.at("ontop"), u"0");
    EXPECT_FALSE(settings.alwaysOnTop());
    settings.setQuotaMb(kMaxQuotaMb + 1);
    EXPECT_EQ(store.at("quota_mb"), u"100000000");
    settings.setCycleDay(0);
    EXPECT_EQ(store.at("cycle_day"), u"1");
    settings.setCycleDay(40);
    EXPECT_EQ(settings.cycleDay(), 31);
    settings.setQuotaSource(QuotaSource::Router);
    EXPECT_EQ(store.at("quota_source"), u"router");
    EXPECT_EQ(settings.quotaSource(), QuotaSource::Router);
    const AllowanceNotice told{QDate(2026, 1, 5), 80, 500};
    settings.setQuotaNotified(told);
    EXPECT_EQ(store.at("quota_notified"), u"2026-01-05 80 500");
    EXPECT_EQ(settings.quotaNotified(), told);
    store.at("quota_notified") = "2026-01-05 100";
    EXPECT_EQ(settings.quotaNotified(), (AllowanceNotice{QDate(2026, 1, 5), 100, std::nullopt}));

    // An entry of a list in Qt's array form is a key of its own.
    store.values["Tarvo/settings/2/quota_mb"] = "7";
    EXPECT_EQ(settings.text(settingKey(u"settings/quota_mb"), 2), u"7");
    EXPECT_EQ(settings.quotaMb(), kMaxQuotaMb);
}

TEST(Digits, AsciiDigitsAtMostMax) {
    constexpr std::uint64_t top = std::numeric_limits<std::uint64_t>::max();
    EXPECT_EQ(parseDigits(u"5", 5), 5u);
    EXPECT_EQ(parseDigits(u"7", 5), std::nullopt); // a digit alone beyond a small max
    EXPECT_EQ(parseDigits(u"18446744073709551615", top), top);
    EXPECT_EQ(parseDigits(u"18446744073709551616", top), std::nullopt);
    EXPECT_EQ(parseDigits(u"000000000000000000001", top), std::nullopt); // over 20 digits
    EXPECT_EQ(parseDigits(u"", top), std::nullopt);
    EXPECT_EQ(parseDigits(u" 1", top), std::nullopt);
}
