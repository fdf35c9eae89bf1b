#include "support/temp_dir.h"
#include "traffic/totals_store.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tarvo;

namespace {
struct Store {
    QTemporaryDir dir;
    TotalsStore store{DataDirectory(dir.path()), u'.'};
    void file(const QByteArray& bytes) { writeFixture(dir, "file1.trv", bytes); }
    QByteArray file() const { return readAll(store.path()); }
};

CounterReading reading(std::uint64_t received, std::uint64_t sent, CountedRecord record = {}) {
    return {true, received, sent, std::move(record)};
}
} // namespace

TEST(TotalsStore, LoadsBothForms) {
    Store s;
    s.file("1024**2048\r\n");
    SavedTotals t = s.store.load();
    EXPECT_EQ(t.received, u"1024");
    EXPECT_EQ(t.sent, u"2048");
    s.file(" 1234567** 89012\r\n");
    t = s.store.load();
    EXPECT_EQ(t.received, u"1234567");
    EXPECT_EQ(t.sent, u"89012");
    s.file(" ** \r\n");
    t = s.store.load();
    EXPECT_EQ(t.received, u"0");
    EXPECT_EQ(t.sent, u"0");
    s.file("**55");
    t = s.store.load();
    EXPECT_EQ(t.received, u"0");
    EXPECT_EQ(t.sent, u"55");
    s.file("1E+15**1.23456789012346E+15\r\nignored**1\r\n");
    t = s.store.load();
    EXPECT_EQ(t.received, u"1E+15");
    EXPECT_EQ(t.sent, u"1.23456789012346E+15");
}

TEST(TotalsStore, DamagedOrMissingFileCountsAsReset) {
    Store s;
    SavedTotals t = s.store.load();
    EXPECT_EQ(t.received, u"0");
    EXPECT_EQ(t.sent, u"0");
    EXPECT_FALSE(QFile::exists(s.store.path())); // the first save creates it
    for (const char* bytes : {"", "12345", "garbage\r\n", "\xff\xfe**"}) {
        s.file(bytes);
        t = s.store.load();
        EXPECT_EQ(t.received, u"0") << bytes;
    }
}

TEST(TotalsStore, PeriodicSaveWaitsForAReading) {
    Store s;
    s.file("1024**2048\r\n");
    const SavedTotals saved = s.store.load();
    EXPECT_FALSE(s.store.save(saved, CounterReading{}));
    EXPECT_EQ(s.file(), QByteArray("1024**2048\r\n"));
    EXPECT_TRUE(s.store.save(saved, reading(5000000000ull, 7)));
    EXPECT_EQ(s.file(), QByteArray("5000001024**2055\r\n"));
    // With the counters of an earlier run taken off, a good reading can be 0 and is saved.
    EXPECT_TRUE(s.store.save(saved, reading(0, 9, {"b", {{"eth0", 2, 50, 60}}})));
    EXPECT_EQ(s.file(), QByteArray("1024**2057\r\nboot b\r\nlink eth0 2 50 60\r\n"));
}

TEST(TotalsStore, RecordFollowsTheLineAndReadsBack) {
    Store s;
    const CountedRecord record{"6c1b0d2e-aa",
                               {{"eth0", 2, 3000000000ull, 7}, {"Wi-Fi 2", 17, 0, 1}}};
    EXPECT_TRUE(s.store.save({"1", "2"}, reading(10, 20, record)));
    const QByteArray bytes = s.file();
    EXPECT_TRUE(bytes.startsWith("11**22\r\n")) << bytes.toStdString();
    EXPECT_TRUE(bytes.contains("link Wi-Fi%202 17 0 1\r\n")) << bytes.toStdString();
    std::optional<CountedRecord> loaded;
    const SavedTotals t = s.store.load(&loaded);
    EXPECT_EQ(t.received, u"11");
    EXPECT_EQ(t.sent, u"22");
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(*loaded, record);
}

TEST(TotalsStore, DamagedOrMissingRecordIsNoRecordButKeepsTheTotals) {
    Store s;
    std::optional<CountedRecord> loaded = CountedRecord{};
    for (const char* bytes :
         {"5**6\r\n", "5**6", "5**6\r\nboot\r\n", "5**6\r\nlink eth0 1 2 3\r\n",
          "5**6\r\nboot x\r\nlink eth0 1 2\r\n", "5**6\r\nboot x\r\nlink eth0 1 -2 3\r\n",
          "5**6\r\nboot x\r\nlink eth0 1 2 99999999999999999999\r\n",
          "5**6\r\nboot x\r\nlink eth%2 1 2 3\r\n", "5**6\r\nboot x\r\nfoo\r\n"}) {
        s.file(bytes);
        const SavedTotals t = s.store.load(&loaded);
        EXPECT_EQ(t.received, u"5") << bytes;
        EXPECT_EQ(t.sent, u"6") << bytes;
        EXPECT_FALSE(loaded.has_value()) << bytes;
    }
    // A NUL byte in the line must not cut the text the record is looked for in.
    s.file(QByteArrayLiteral("5**6\0\r\nboot x\r\n"));
    EXPECT_EQ(s.store.load(&loaded).received, u"5");
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->bootId, "x");
    s.file(QByteArrayLiteral("5\0**6 and a long tail\r\nboot x\r\n"));
    s.store.load(&loaded);
    EXPECT_TRUE(loaded.has_value());
    // A record of a boot with no counted interface is a record.
    s.file("5**6\r\nboot x\r\n");
    s.store.load(&loaded);
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->bootId, "x");
    EXPECT_TRUE(loaded->links.empty());
}

TEST(TotalsStore, OfflineSaveWritesSavedTotalsBack) {
    Store s;
    s.file("1234567**89012\r\n");
    const SavedTotals saved = s.store.load();
    EXPECT_TRUE(s.store.saveOffline(saved, CounterReading{}));
    EXPECT_EQ(s.file(), QByteArray("1234567**89012\r\n"));
}

TEST(TotalsStore, ResetLine) {
    Store s;
    s.file("1234567**89012\r\nboot b\r\nlink eth0 2 50 60\r\n");
    EXPECT_TRUE(s.store.writeResetLine());
    EXPECT_EQ(s.file(), QByteArray(" ** \r\n"));
    const SavedTotals t = s.store.load();
    EXPECT_EQ(t.received, u"0");
}

TEST(TotalsStore, HugeTotalsRoundTripInExponentForm) {
    Store s;
    EXPECT_TRUE(s.store.saveOffline({"1E+15", "0"}, reading(1, 1)));
    EXPECT_EQ(s.file(), QByteArray("1E+15**1\r\n"));
    EXPECT_TRUE(s.store.saveOffline({"1234567890123456", "1"}, reading(0, 0)));
    EXPECT_EQ(s.file(), QByteArray("1.23456789012346E+15**1\r\n"));
    EXPECT_EQ(s.store.load().received, u"1.23456789012346E+15");
}

TEST(TotalsStore, LeftoverTemporaryFileIsRemovedAtLoad) {
    Store s;
    s.file("1**2\r\n");
    writeFixture(s.dir, "file1.trv.tmp", "12");
    s.store.load();
    EXPECT_EQ(QDir(s.dir.path()).entryList(QDir::Files), QStringList{"file1.trv"});
}

TEST(TotalsStore, CreatesThePerUserDirectoryOnFirstSave) {
    QTemporaryDir dir;
    TotalsStore store(DataDirectory(dir.filePath("data/Tarvo")), u'.');
    EXPECT_EQ(store.load().received, u"0");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("data")));
    EXPECT_TRUE(store.save({"0", "0"}, reading(3, 4)));
    EXPECT_EQ(readAll(store.path()), QByteArray("3**4\r\n"));
}

TEST(TotalsStore, FailedWriteKeepsThePreviousFileAndTheNextTickRetries) {
    Store s;
    s.file("1**2\r\n");
    // Something in the way of the temporary file makes the write fail.
    ASSERT_TRUE(QDir(s.dir.path()).mkdir("file1.trv.tmp"));
    EXPECT_FALSE(s.store.save({"1", "2"}, reading(10, 10)));
    EXPECT_EQ(s.file(), QByteArray("1**2\r\n"));
    ASSERT_TRUE(QDir(s.dir.path()).rmdir("file1.trv.tmp"));
    EXPECT_TRUE(s.store.save({"1", "2"}, reading(10, 10)));
    EXPECT_EQ(s.file(), QByteArray("11**12\r\n"));
}

TEST(TotalsStore, QuietSecondsLeaveTheFileAloneAndADeletedOneComesBackWithinAMinute) {
    Store s;
    const SavedTotals saved{"1", "2"};
    ASSERT_TRUE(s.store.save(saved, reading(10, 20)));
    const QByteArray written = s.file();
    // Quiet seconds write nothing: what stands in the file stays.
    s.file("stands");
    for (int second = 0; second < 5; ++second)
        EXPECT_TRUE(s.store.save(saved, reading(10, 20)));
    EXPECT_EQ(s.file(), "stands");
    ASSERT_TRUE(QFile::remove(s.store.path()));
    for (int second = 0; second < 60 && !QFile::exists(s.store.path()); ++second)
        EXPECT_TRUE(s.store.save(saved, reading(10, 20)));
    EXPECT_EQ(s.file(), written);
}
