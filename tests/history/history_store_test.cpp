#include "history/history_store.h"
#include "support/read_only_dir.h"
#include "support/temp_history.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <functional>
#include <map>

using namespace tarvo;

namespace {

QDateTime at(int y, int m, int d, int h = 0, int min = 0) {
    return QDateTime(QDate(y, m, d), QTime(h, min));
}

HistoryMark markAt(qint64 minute) {
    return HistoryMark{0, 0, minute, QString(), "B"};
}

} // namespace

TEST(HistoryStoreKeys, MinutesHoursDaysAndMonthsOfLocalTime) {
    const QDateTime t = at(2026, 3, 14, 15, 9);
    const qint64 k = HistoryStore::minuteKey(t);
    EXPECT_EQ(HistoryStore::minuteTime(k), t);
    EXPECT_EQ(HistoryStore::minuteKey(t.addSecs(59)), k);
    EXPECT_EQ(HistoryStore::minuteKey(t.addSecs(60)), k + 1);
    EXPECT_EQ(k % 60, 9);
    EXPECT_EQ(HistoryStore::minuteTime(k - k % (24 * 60)), at(2026, 3, 14));
    EXPECT_EQ(HistoryStore::monthKey(QDate(2026, 1, 31)) + 1,
              HistoryStore::monthKey(QDate(2026, 2, 1)));
    // Before 1970 a minute still belongs to the hour, day and month it begins, not the next.
    const qint64 last1969 = HistoryStore::minuteKey(at(1969, 12, 31, 23, 59));
    const auto keys = history_keys::MinuteKeys::of(last1969);
    EXPECT_EQ(HistoryStore::minuteTime(keys.hour * 60), at(1969, 12, 31, 23));
    EXPECT_EQ(HistoryStore::minuteTime(keys.day * 24 * 60), at(1969, 12, 31));
    EXPECT_EQ(keys.month, HistoryStore::monthKey(QDate(1969, 12, 1)));
    EXPECT_EQ(history_keys::monthStartMinute(keys.month), HistoryStore::minuteKey(at(1969, 12, 1)));
}

TEST(HistoryStore, RowsOfHoursDaysAndMonthsAddUpTheMinutes) {
    TempHistory d;
    HistoryStore& store = d.store;
    ASSERT_TRUE(store.isOpen());
    ASSERT_TRUE(addMinute(store, at(2026, 3, 14, 15, 9), QStringLiteral("eth0"), 100, 10));
    ASSERT_TRUE(addMinute(store, at(2026, 3, 14, 15, 59), QStringLiteral("wlan0"), 200, 20));
    // The same minute again (a clock set back): it adds up.
    ASSERT_TRUE(addMinute(store, at(2026, 3, 14, 15, 9), QStringLiteral("eth0"), 1, 1));
    ASSERT_TRUE(addMinute(store, at(2026, 3, 15, 0, 0), QStringLiteral("eth0"), 1000, 100));
    // To the minute while the minute rows are kept: from 15:10 leaves out 15:09.
    EXPECT_EQ(store.total(at(2026, 3, 14, 15, 10), at(2026, 3, 15, 0, 1)).received, 1200u);
    EXPECT_EQ(store.total(at(2026, 3, 14, 15, 9), at(2026, 3, 14, 15, 59)).received, 101u);
    ASSERT_TRUE(addMinute(store, at(2026, 4, 1, 0, 0), QStringLiteral("eth0"), 5, 6));

    const auto hours = store.hours(QDate(2026, 3, 14));
    ASSERT_EQ(hours.size(), 24u);
    EXPECT_EQ(hours[15], (UsageRow{at(2026, 3, 14, 15), 301, 31}));
    EXPECT_EQ(hours[14], (UsageRow{at(2026, 3, 14, 14), 0, 0}));
    const auto days = store.days(QDate(2026, 3, 13), QDate(2026, 3, 15));
    ASSERT_EQ(days.size(), 3u);
    EXPECT_EQ(days[0], (UsageRow{at(2026, 3, 13), 0, 0}));
    EXPECT_EQ(days[1], (UsageRow{at(2026, 3, 14), 301, 31}));
    EXPECT_EQ(days[2], (UsageRow{at(2026, 3, 15), 1000, 100}));
    const auto months = store.months(QDate(2026, 2, 20), QDate(2026, 4, 3));
    ASSERT_EQ(months.size(), 3u);
    EXPECT_EQ(months[1], (UsageRow{at(2026, 3, 1), 1301, 131}));
    EXPECT_EQ(months[2], (UsageRow{at(2026, 4, 1), 5, 6}));
    EXPECT_EQ(store.interfaces(), (QStringList{QStringLiteral("eth0"), QStringLiteral("wlan0")}));

    const UsageRow all = store.total(at(2026, 1, 1), at(2027, 1, 1));
    EXPECT_EQ(all.received, 1306u);
    EXPECT_EQ(all.sent, 137u);
    EXPECT_EQ(store.total(at(2026, 3, 14, 15), at(2026, 3, 15, 1)).received, 1301u);
    // Minute rows are thinned by their count, not by the clock: a write two weeks later
    // leaves these few as they were.
    EXPECT_EQ(store.total(at(2026, 3, 14, 15, 10), at(2026, 3, 15, 0, 1)).received, 1200u);
}

// Each interface keeps its newest week of minute rows and 400 days of hour rows, counted in
// rows; the oldest go first, and whole hours and days still count from their own rows.
TEST(HistoryStore, EachInterfaceKeepsItsNewestMinuteAndHourRows) {
    TempHistory d;
    HistoryStore& store = d.store;
    ASSERT_TRUE(store.isOpen());
    const qint64 start = HistoryStore::minuteKey(at(2025, 1, 1));
    // One minute in each of 400 days' worth of hours plus 5, and a busy last week.
    std::map<qint64, std::vector<MinuteTraffic>> minutes;
    const qint64 hours = HistoryStore::kHourRows + 5;
    for (qint64 h = 0; h < hours; ++h)
        minutes[start + h * 60] = {{QStringLiteral("eth0"), 1, 0}};
    const qint64 last = start + (hours - 1) * 60;
    for (qint64 m = last - HistoryStore::kMinuteRows; m <= last; ++m)
        minutes[m] = {{QStringLiteral("eth0"), 1, 0}};
    minutes[start] = {{QStringLiteral("eth0"), 1, 0}, {QStringLiteral("wlan0"), 3, 0}};
    ASSERT_TRUE(store.write(minutes, markAt(last)));
    // wlan0 has one of each and keeps it; eth0 its newest rows.
    EXPECT_EQ(store.rowCount(QStringLiteral("minutes")), HistoryStore::kMinuteRows + 1);
    EXPECT_EQ(store.rowCount(QStringLiteral("hours")), HistoryStore::kHourRows + 1);
    const QDateTime first = HistoryStore::minuteTime(start);
    EXPECT_EQ(store.hours(first.date())[0].received, 3u); // wlan0's alone: eth0's went
    EXPECT_EQ(store.hours(first.date())[5].received, 1u); // eth0's sixth, the first kept
    EXPECT_EQ(store.hours(first.date())[4].received, 0u); // eth0's fifth went
    std::uint64_t all = 0;
    for (const auto& [minute, rows] : minutes)
        for (const MinuteTraffic& t : rows)
            all += t.received;
    EXPECT_EQ(store.days(first.date(), first.date())[0].received, 24u + 3u);
    EXPECT_EQ(store.total(first, HistoryStore::minuteTime(last + 1)).received, all);
}

// A router's rows are thinned by the same count as an interface's, each apart: the first router
// and the first interface share a row number, and thinning one in an hour never passes over
// the other.
TEST(HistoryStore, ARoutersRowsAreThinnedApartFromTheInterfaces) {
    TempHistory d;
    HistoryStore& store = d.store;
    const qint64 start = HistoryStore::minuteKey(at(2026, 1, 1));
    const qint64 count = HistoryStore::kMinuteRows + 3;
    const qint64 last = start + count - 1;
    std::vector<RouterMinute> routerMinutes;
    std::map<qint64, std::vector<MinuteTraffic>> minutes;
    for (qint64 m = start; m <= last; ++m) {
        routerMinutes.push_back({HistoryStore::minuteTime(m).toUTC(), 2, 0});
        minutes[m] = {{QStringLiteral("eth0"), 1, 0}};
    }
    RouterState state;
    state.last.udn = QStringLiteral("uuid:home");
    state.last.time = HistoryStore::minuteTime(last).toUTC();
    ASSERT_TRUE(store.writeRouter(state, routerMinutes, {}));
    ASSERT_TRUE(store.write(minutes, markAt(last)));
    EXPECT_EQ(store.rowCount(QStringLiteral("router_minutes")), HistoryStore::kMinuteRows);
    EXPECT_EQ(store.rowCount(QStringLiteral("minutes")), HistoryStore::kMinuteRows);
    // The whole day still counts from its own row.
    const QDate first = HistoryStore::minuteTime(start).date();
    EXPECT_EQ(store.router(state.last.udn)->days(first, first)[0].received, 2u * 24 * 60);
    EXPECT_EQ(store.days(first, first)[0].received, 24u * 60);
}

// A clock that is two years ahead for a minute, or a year behind, deletes nothing: the days
// still add up their hours.
TEST(HistoryStore, AClockThatJumpsDeletesNoHistory) {
    TempHistory d;
    HistoryStore& store = d.store;
    ASSERT_TRUE(store.isOpen());
    const QDateTime now = at(2026, 6, 30, 12, 0);
    for (int day = 0; day < 60; ++day)
        for (int minute = 0; minute < 3; ++minute)
            ASSERT_TRUE(addMinute(store, now.addDays(-day).addSecs(minute * 3600),
                                  QStringLiteral("eth0"), 10, 1));
    const qint64 minuteRows = store.rowCount(QStringLiteral("minutes"));
    const qint64 hourRows = store.rowCount(QStringLiteral("hours"));
    ASSERT_EQ(minuteRows, 180);
    ASSERT_TRUE(addMinute(store, now.addDays(730), QStringLiteral("eth0"), 5, 0));
    ASSERT_TRUE(addMinute(store, now.addDays(730).addSecs(60), QStringLiteral("eth0"), 5, 0));
    ASSERT_TRUE(addMinute(store, now.addDays(-365), QStringLiteral("eth0"), 7, 0));
    ASSERT_TRUE(addMinute(store, now.addSecs(60), QStringLiteral("eth0"), 1, 0));
    EXPECT_EQ(store.rowCount(QStringLiteral("minutes")), minuteRows + 4);
    EXPECT_EQ(store.rowCount(QStringLiteral("hours")), hourRows + 2);
    for (int day = 0; day < 60; ++day) {
        const QDate date = now.addDays(-day).date();
        std::uint64_t sum = 0;
        for (const UsageRow& hour : store.hours(date))
            sum += hour.received;
        EXPECT_EQ(store.days(date, date)[0].received, sum);
        EXPECT_EQ(
            store.total(QDateTime(date, QTime(12, 0)), QDateTime(date, QTime(12, 1))).received,
            10u);
    }
}

TEST(HistoryStore, NoTrafficWritesOnlyTheMark) {
    TempHistory d;
    HistoryStore& store = d.store;
    EXPECT_FALSE(store.mark().has_value());
    const HistoryMark m{123, 45, 999, QStringLiteral("eth0"), "boot"};
    ASSERT_TRUE(store.writeMinute(999, {}, m));
    EXPECT_EQ(store.mark(), m);
    EXPECT_EQ(store.rowCount(QStringLiteral("minutes")), 0);
}

TEST(HistoryStore, ReadOnlyReadsARunningWritersRowsAndWritesNothing) {
    TempHistoryDir d;
    HistoryStore writer(d.path(), HistoryStore::Mode::ReadWrite);
    ASSERT_TRUE(addMinute(writer, at(2026, 5, 5, 5, 5), QStringLiteral("eth0"), 55, 5));
    HistoryStore reader(d.path(), HistoryStore::Mode::ReadOnly);
    ASSERT_TRUE(reader.isOpen());
    EXPECT_EQ(reader.days(QDate(2026, 5, 5), QDate(2026, 5, 5))[0].received, 55u);
    EXPECT_FALSE(reader.writeMinute(1, {{QStringLiteral("eth0"), 1, 1}}, markAt(1)));
}

TEST(HistoryStore, ReadOnlyAfterTheWriterEndedMakesNoFile) {
    TempHistoryDir d;
    {
        HistoryStore writer(d.path(), HistoryStore::Mode::ReadWrite);
        ASSERT_TRUE(addMinute(writer, at(2026, 5, 5, 5, 5), QStringLiteral("eth0"), 55, 5));
    }
    const QStringList before = QDir(d.dir.path()).entryList(QDir::Files);
    {
        HistoryStore reader(d.path(), HistoryStore::Mode::ReadOnly);
        ASSERT_TRUE(reader.isOpen());
        EXPECT_EQ(reader.hours(QDate(2026, 5, 5))[5].sent, 5u);
    }
    EXPECT_EQ(QDir(d.dir.path()).entryList(QDir::Files), before);
    // Without a file: no traffic, and still no file.
    const TempHistoryDir empty;
    HistoryStore none(empty.path(), HistoryStore::Mode::ReadOnly);
    EXPECT_FALSE(none.isOpen());
    EXPECT_EQ(none.hours(QDate(2026, 5, 5)).size(), 24u);
    EXPECT_TRUE(QDir(empty.dir.path()).entryList(QDir::Files).isEmpty());
}

namespace {

void expectMovedAsideAndNewStarted(TempHistoryDir& d, const QByteArray& original) {
    HistoryStore store(d.path(), HistoryStore::Mode::ReadWrite);
    ASSERT_TRUE(store.isOpen());
    EXPECT_FALSE(store.movedAside().isEmpty());
    ASSERT_EQ(d.damaged().size(), 1);
    EXPECT_TRUE(d.damaged()[0].startsWith(QStringLiteral("history.sqlite.damaged-")));
    QFile kept(d.dir.filePath(d.damaged()[0]));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), original);
    EXPECT_TRUE(addMinute(store, at(2026, 1, 1, 1, 1), QStringLiteral("eth0"), 1, 2));
    EXPECT_EQ(store.days(QDate(2026, 1, 1), QDate(2026, 1, 1))[0].sent, 2u);
}

} // namespace

TEST(HistoryStoreDamage, AFileThatIsNoDatabaseIsMovedAside) {
    TempHistoryDir d;
    QByteArray garbage(5000, 'x');
    QFile f(d.path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(garbage);
    f.close();
    expectMovedAsideAndNewStarted(d, garbage);
}

TEST(HistoryStoreDamage, ATruncatedDatabaseIsMovedAside) {
    TempHistoryDir d;
    {
        HistoryStore store(d.path(), HistoryStore::Mode::ReadWrite);
        for (int m = 0; m < 3000; ++m)
            ASSERT_TRUE(addMinute(store, at(2026, 1, 1).addSecs(60 * m),
                                  QStringLiteral("eth%1").arg(m % 5), 1000 + m, m));
    }
    QFile f(d.path());
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_GT(f.size(), 8192);
    const QByteArray head = f.read(f.size() / 2);
    f.resize(head.size());
    f.close();
    expectMovedAsideAndNewStarted(d, head);
}

TEST(HistoryStoreDamage, AFileLockedByAnotherIsMovedAside) {
#ifdef Q_OS_WIN
    GTEST_SKIP() << "Windows moves no file that another program holds open";
#endif
    TempHistoryDir d;
    {
        HistoryStore store(d.path(), HistoryStore::Mode::ReadWrite);
        ASSERT_TRUE(addMinute(store, at(2026, 1, 1), QStringLiteral("eth0"), 1, 1));
    }
    // Another program holds an exclusive lock on it.
    QSqlDatabase other =
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
    other.setDatabaseName(d.path());
    ASSERT_TRUE(other.open());
    {
        QSqlQuery q(other);
        ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA journal_mode=DELETE")));
        ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA locking_mode=EXCLUSIVE")));
        ASSERT_TRUE(q.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        const QByteArray before = [&] {
            QFile f(d.path());
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();
        HistoryStore store(d.path(), HistoryStore::Mode::ReadWrite);
        ASSERT_TRUE(store.isOpen());
        EXPECT_FALSE(store.movedAside().isEmpty());
        EXPECT_EQ(d.damaged().size(), 1);
        EXPECT_TRUE(addMinute(store, at(2026, 1, 2), QStringLiteral("eth0"), 3, 3));
        q.exec(QStringLiteral("ROLLBACK"));
    }
    other.close();
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
}

namespace {

// Damages the schema of an open store's file from another connection, as a bad sector or a
// stray write would: the store's next statement finds it malformed.
void damageUnder(const QString& path) {
    {
        QSqlDatabase other =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("damage"));
        other.setDatabaseName(path);
        ASSERT_TRUE(other.open());
        QSqlQuery q(other);
        ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA schema_version")) && q.next());
        const qint64 version = q.value(0).toLongLong();
        q.finish();
        ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA writable_schema = ON")));
        ASSERT_TRUE(q.exec(QStringLiteral("UPDATE sqlite_master SET sql = 'CREATE TABLE x (' "
                                          "WHERE name = 'interfaces'")));
        ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA schema_version = %1").arg(version + 1)));
        other.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("damage"));
}

RouterState routerAt(const QDateTime& time) {
    RouterState state;
    state.last.udn = QStringLiteral("uuid:home");
    state.last.name = QStringLiteral("Home");
    state.last.received = 5000;
    state.last.time = time.toUTC();
    return state;
}

} // namespace

// Every writer meets a file damaged under it as the open does: the file is moved aside, a new
// one begun, and the write is made on it.
TEST(HistoryStoreDamage, EachWriterMovesAFileDamagedUnderItAsideAndWritesANewOne) {
    const QDateTime when = at(2026, 2, 3, 4, 5);
    const QDate day = when.date();
    const QString udn = QStringLiteral("uuid:home");
    struct Writer {
        const char* name;
        std::function<bool(HistoryStore&)> write;
        // What the new file holds after the write.
        std::function<void(HistoryStore&)> check;
    };
    const Writer writers[] = {
        {"write", [&](HistoryStore& s) { return addMinute(s, when, QStringLiteral("eth0"), 7, 8); },
         [&](HistoryStore& s) {
             EXPECT_EQ(s.days(day, day)[0].received, 7u); // the traffic before is gone
             EXPECT_EQ(s.interfaces(), QStringList{QStringLiteral("eth0")});
             EXPECT_EQ(s.mark()->minute, HistoryStore::minuteKey(when));
         }},
        {"writeRouter",
         [&](HistoryStore& s) {
             return s.writeRouter(routerAt(when), {{when.toUTC(), 900, 90}}, {});
         },
         [&](HistoryStore& s) {
             ASSERT_NE(s.router(udn), nullptr);
             EXPECT_EQ(s.router(udn)->days(day, day)[0].received, 900u);
             ASSERT_TRUE(s.routerState(udn).has_value());
             EXPECT_EQ(s.routerState(udn)->last, routerAt(when).last);
         }},
        {"writeRouterFailure",
         [&](HistoryStore& s) {
             return s.writeRouterFailure({udn, {}, QStringLiteral("no answer"), false, when});
         },
         [&](HistoryStore& s) {
             // A failure alone makes no router: the new file has none.
             EXPECT_TRUE(s.routers().empty());
             EXPECT_TRUE(addMinute(s, when, QStringLiteral("eth0"), 1, 1));
         }},
    };
    for (const Writer& w : writers) {
        SCOPED_TRACE(w.name);
        TempHistoryDir d;
        HistoryStore store(d.path(), HistoryStore::Mode::ReadWrite);
        ASSERT_TRUE(store.isOpen());
        ASSERT_TRUE(addMinute(store, when, QStringLiteral("wlan0"), 100, 10));
        ASSERT_TRUE(store.writeRouter(routerAt(when.addSecs(-60)),
                                      {{when.toUTC().addSecs(-60), 50, 5}}, {}));
        damageUnder(d.path());
        EXPECT_TRUE(w.write(store));
        EXPECT_TRUE(store.isOpen());
        ASSERT_EQ(d.damaged().size(), 1);
        EXPECT_EQ(store.movedAside(), d.dir.filePath(d.damaged()[0]));
        w.check(store);
        // The new file is whole, and is what a reader finds.
        HistoryStore reader(d.path(), HistoryStore::Mode::ReadOnly);
        ASSERT_TRUE(reader.isOpen());
        EXPECT_EQ(reader.days(day, day)[0].received, store.days(day, day)[0].received);
    }
}

TEST(HistoryStoreDamage, AReadOnlyDirectoryMeansNoHistory) {
    TempHistoryDir d;
    const QString inner = d.dir.filePath(QStringLiteral("data"));
    ASSERT_TRUE(QDir().mkpath(inner));
    {
        ReadOnlyDir readOnly(inner);
        if (!readOnly.active())
            GTEST_SKIP() << "no way here to make a directory refuse new files";
        HistoryStore store(historyPathIn(inner), HistoryStore::Mode::ReadWrite);
        EXPECT_FALSE(store.isOpen());
        EXPECT_FALSE(addMinute(store, at(2026, 1, 1), QStringLiteral("eth0"), 1, 1));
        EXPECT_EQ(store.days(QDate(2026, 1, 1), QDate(2026, 1, 1))[0].received, 0u);
    }
    EXPECT_TRUE(QDir(inner).entryList(QDir::Files).isEmpty());
}

// "--usage" must not print zeros for a history it cannot read; no history yet is no error.
TEST(HistoryStoreReadError, AFileThatIsThereButCannotBeReadIsAnError) {
    const auto readError = [](const QString& path) {
        return HistoryStore(path, HistoryStore::Mode::ReadOnly).readError();
    };
    TempHistoryDir d;
    EXPECT_EQ(readError(d.path()), QString());
    QFile f(d.path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)); // begun but never written: no traffic either
    f.close();
    EXPECT_EQ(readError(d.path()), QString());
    {
        HistoryStore writer(d.path(), HistoryStore::Mode::ReadWrite);
        for (int m = 0; m < 3000; ++m)
            ASSERT_TRUE(addMinute(writer, at(2026, 1, 1).addSecs(60 * m),
                                  QStringLiteral("eth%1").arg(m % 5), 1000 + m, m));
    }
    EXPECT_EQ(readError(d.path()), QString());
    ASSERT_TRUE(f.resize(f.size() / 2));
    EXPECT_NE(readError(d.path()), QString()) << "truncated";
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QByteArray(5000, 'x'));
    f.close();
    EXPECT_NE(readError(d.path()), QString()) << "no database";
    // Permission bits do not stop root: a folder in its place cannot be opened either.
    ASSERT_TRUE(f.remove() && QDir(d.dir.path()).mkdir(QStringLiteral("history.sqlite")));
    EXPECT_NE(readError(d.path()), QString()) << "cannot be opened";
}
