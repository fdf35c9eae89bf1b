#include "history/history_store.h"
#include "history/router_recorder.h"
#include "router/router_rules.h"
#include "support/temp_history.h"
#include "support/time_zone.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace tarvo;

namespace {

RouterReading reading(std::uint64_t rx, std::uint64_t tx, qint64 uptime, const QDateTime& at) {
    RouterReading r;
    r.udn = QStringLiteral("uuid:home");
    r.name = QStringLiteral("Home router");
    r.received = rx;
    r.sent = tx;
    r.uptime = uptime;
    r.time = at.toUTC();
    return r;
}

TEST(RouterHistory, ARoutersRowsAndStateAreKeptApartFromThisComputers) {
    TempHistory s;
    const QDateTime now(QDate(2026, 5, 4), QTime(10, 20, 30));
    const qint64 k = HistoryStore::minuteKey(now);
    ASSERT_TRUE(s.store.writeMinute(k, {{QStringLiteral("eth0"), 700, 70}}, {0, 0, k, {}, "B"}));
    RouterState state;
    // The top of 64 bits survives SQLite's signed integers.
    state.last = reading(~std::uint64_t(0) - 9, std::uint64_t(1) << 63, 86400, now);
    state.wide = true;
    state.counts = false;
    state.movedAt = now.toUTC().addSecs(-600);
    state.ownSinceMoved = 1'500'000;
    ASSERT_TRUE(s.store.writeRouter(state, {{now.toUTC(), 5000, 500, RouterMinute::Kind::Live}},
                                    {{now.toUTC().addDays(-1), now.toUTC().addSecs(-7200)}}));

    const QDateTime dayStart(now.date(), QTime(0, 0));
    EXPECT_EQ(s.store.total(dayStart, dayStart.addDays(1)).received, 700u);
    EXPECT_TRUE(s.store.unknown(dayStart.addDays(-2), dayStart.addDays(1)).empty());
    UsageSource* router = s.store.router(QStringLiteral("uuid:home"));
    ASSERT_NE(router, nullptr);
    EXPECT_EQ(router->total(dayStart, dayStart.addDays(1)).received, 5000u);
    EXPECT_EQ(router->hours(now.date())[10].sent, 500u);
    EXPECT_EQ(router->unknown(dayStart, dayStart.addDays(1)).size(), 1u);
    EXPECT_EQ(s.store.router(QStringLiteral("uuid:elsewhere")), nullptr);
    EXPECT_EQ(s.store.routerState(QStringLiteral("uuid:home")), state);
    const std::vector<RouterRecord> routers = s.store.routers();
    ASSERT_EQ(routers.size(), 1u);
    RouterRecord record;
    record.id = QStringLiteral("uuid:home");
    record.name = QStringLiteral("Home router");
    record.lastRead = now.toUTC();
    record.counts = false;
    EXPECT_EQ(routers[0], record);
}

TEST(RouterHistory, AGapSpreadAcrossTheSpringChangeFillsTheHoursTheClockShows) {
#ifdef Q_OS_WIN
    GTEST_SKIP() << "Windows takes the local zone from the system, not from TZ";
#endif
    const ScopedTimeZone zone("Europe/Berlin");
    TempHistory s;
    // 00:30 to 02:30 UTC on 29 March: 01:30 winter time to 04:30 summer time, one byte a
    // second. Local 02:00 to 03:00 does not exist.
    const QDateTime from(QDate(2026, 3, 29), QTime(0, 30), Qt::UTC);
    RouterState state;
    state.last = reading(7200, 0, 9000, from.addSecs(7200));
    ASSERT_TRUE(s.store.writeRouter(
        state, router_rules::spread(from, from.addSecs(7200), 7200, 0, RouterMinute::Kind::Spread),
        {}));
    const std::vector<UsageRow> hours =
        s.store.router(QStringLiteral("uuid:home"))->hours(QDate(2026, 3, 29));
    EXPECT_EQ(hours[1].received, 1800u);
    EXPECT_EQ(hours[2].received, 0u);
    EXPECT_EQ(hours[3].received, 3600u);
    EXPECT_EQ(hours[4].received, 1800u);
    EXPECT_EQ(hours[3].spread, 3600u);
    EXPECT_EQ(s.store.days(QDate(2026, 3, 29), QDate(2026, 3, 29))[0].received, 0u);
}

// Readings every 10 s, the recorder writing at each minute's end; a kill loses what was
// pending, and the next start measures from what was written: every byte once.
TEST(RouterHistory, AKillBetweenWritesNeitherLosesNorDoublesAByte) {
    TempHistory s;
    const QDateTime start(QDate(2026, 5, 4), QTime(9, 0, 5));
    std::uint64_t rx = 40'000;
    {
        RouterRecorder recorder(&s.store);
        for (int t = 0; t < 150; t += 10) {
            const QDateTime now = start.addSecs(t);
            recorder.tick(now);
            const RouterReading r = reading(rx, rx / 10, 100 + t, now);
            recorder.add(judgeReading(recorder.kept(r.udn), r, 0));
            rx += 3001;
        }
    } // killed at 09:02:25, with the readings since 09:02:00 pending
    RouterRecorder recorder(&s.store);
    ASSERT_TRUE(recorder.kept(QStringLiteral("uuid:home")).has_value());
    const QDateTime later = start.addSecs(170);
    recorder.tick(later);
    RouterReading last = reading(rx, rx / 10, 270, later);
    last.steadyMs = 5000;
    recorder.add(judgeReading(recorder.kept(last.udn), last, 0));
    recorder.flush();
    // Written, and still measured from this run's steady clock, which the history does not keep.
    EXPECT_EQ(recorder.kept(last.udn)->last.steadyMs, 5000);
    const UsageRow total = s.store.router(QStringLiteral("uuid:home"))
                               ->total(QDateTime(start.date(), QTime(0, 0)),
                                       QDateTime(start.date().addDays(1), QTime(0, 0)));
    // The router's whole count since it came up, before the meter included.
    EXPECT_EQ(total.received, rx);
    EXPECT_EQ(total.sent, rx / 10);
}

// A write that fails as the readings turn to another router (the file held by another
// program) keeps each router's minutes with it, written once the file is free.
TEST(RouterHistory, AFailedWriteAtASwitchKeepsEachRoutersMinutesWithIt) {
    TempHistory s;
    const QDateTime start(QDate(2026, 5, 4), QTime(9, 0, 5));
    RouterRecorder recorder(&s.store);
    RouterReading a = reading(40'000, 4000, 100, start);
    RouterReading b = reading(900, 90, 100, start.addSecs(10));
    b.udn = QStringLiteral("uuid:office");
    recorder.add(judgeReading(recorder.kept(a.udn), a, 0));
    {
        QSqlDatabase holder = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "holder");
        holder.setDatabaseName(s.path());
        ASSERT_TRUE(holder.open());
        QSqlQuery hold(holder);
        ASSERT_TRUE(hold.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        recorder.add(judgeReading(recorder.kept(b.udn), b, 0));
        EXPECT_EQ(s.store.router(a.udn), nullptr); // not written: the file was held
        ASSERT_TRUE(hold.exec(QStringLiteral("ROLLBACK")));
        holder.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("holder"));
    recorder.flush();
    const QDateTime day(start.date(), QTime(0, 0));
    for (const RouterReading& r : {a, b}) {
        SCOPED_TRACE(r.udn.toStdString());
        UsageSource* rows = s.store.router(r.udn);
        ASSERT_NE(rows, nullptr);
        const UsageRow total = rows->total(day, day.addDays(1));
        EXPECT_EQ(total.received, r.received);
        EXPECT_EQ(total.sent, r.sent);
    }
}

// A router's last failure is kept until its next reading is written; the other devices' rows
// are its count less this computer's through it, never below zero; a file written before
// either was kept reads, and takes them once written.
TEST(RouterHistory, FailuresAndTheOthersRowsAreKeptAndAnOlderFileStillReads) {
    const TempHistoryDir dir;
    const QString path = dir.path();
    {
        QSqlDatabase old = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "old");
        old.setDatabaseName(path);
        ASSERT_TRUE(old.open());
        QSqlQuery q(old);
        ASSERT_TRUE(q.exec(QStringLiteral(
            "CREATE TABLE routers (i INTEGER PRIMARY KEY, udn TEXT NOT NULL UNIQUE, name TEXT NOT "
            "NULL, rx INTEGER NOT NULL, tx INTEGER NOT NULL, uptime INTEGER NOT NULL, speed "
            "INTEGER NOT NULL, time INTEGER NOT NULL, wide INTEGER NOT NULL, counts INTEGER NOT "
            "NULL, moved INTEGER NOT NULL, own INTEGER NOT NULL)")));
        ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE router_hours (k INTEGER NOT NULL, i "
                                          "INTEGER NOT NULL, rx INTEGER NOT NULL, tx INTEGER NOT "
                                          "NULL, PRIMARY KEY (k, i)) WITHOUT ROWID")));
        ASSERT_TRUE(
            q.exec(QStringLiteral("CREATE TABLE mark (one INTEGER PRIMARY KEY, rx INTEGER, "
                                  "tx INTEGER, minute INTEGER, interface TEXT, boot TEXT)")));
        ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO routers VALUES (1, 'uuid:home', 'Old', 5, "
                                          "5, 10, 0, 1777000000, 1, 1, 0, 0)")));
        old.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("old"));
    {
        HistoryStore reader(path, HistoryStore::Mode::ReadOnly);
        const std::vector<RouterRecord> routers = reader.routers();
        ASSERT_EQ(routers.size(), 1u);
        EXPECT_EQ(routers[0].name, QStringLiteral("Old"));
        EXPECT_TRUE(routers[0].error.isEmpty());
    }
    HistoryStore store(path, HistoryStore::Mode::ReadWrite);
    ASSERT_TRUE(store.isOpen());
    EXPECT_EQ(store.movedAside(), QString());
    const QDateTime now(QDate(2026, 5, 4), QTime(10, 20, 30));
    RouterState state;
    state.last = reading(9000, 900, 100, now);
    state.movedAt = now.toUTC();
    state.countsLess = true;
    state.lessSince = now.toUTC().addSecs(-60);
    state.lessOwn = 7;
    RouterMinute mine{now.toUTC(), 5000, 500, RouterMinute::Kind::Live};
    mine.ownReceived = 3000;
    mine.ownSent = 800; // more than the router counted: the others moved nothing, not -300
    RouterMinute later{now.toUTC().addSecs(3600), 1000, 100, RouterMinute::Kind::Live};
    ASSERT_TRUE(store.writeRouter(state, {mine, later}, {}));
    EXPECT_EQ(store.routerState(state.last.udn), state);

    UsageSource* others = store.routerOthers(state.last.udn);
    ASSERT_NE(others, nullptr);
    const std::vector<UsageRow> hours = others->hours(now.date());
    EXPECT_EQ(hours[10].received, 2000u);
    EXPECT_EQ(hours[10].sent, 0u);
    EXPECT_EQ(hours[11].received, 1000u);
    EXPECT_EQ(others->days(now.date(), now.date())[0].received, 3000u);

    RouterFailure failure{state.last.udn, QStringLiteral("Home router"),
                          QStringLiteral("HTTP status 500"), true, now.toUTC().addSecs(10)};
    ASSERT_TRUE(store.writeRouterFailure(failure));
    RouterRecord record = store.routers().front();
    EXPECT_EQ(record.error, failure.error);
    EXPECT_EQ(record.errorTime, failure.time);
    EXPECT_TRUE(record.lost);
    EXPECT_TRUE(record.countsLess);
    ASSERT_TRUE(store.writeRouter(state, {}, {}));
    record = store.routers().front();
    EXPECT_TRUE(record.error.isEmpty());
    EXPECT_FALSE(record.lost);
    // A failure alone never makes a router.
    failure.udn = QStringLiteral("uuid:never-read");
    store.writeRouterFailure(failure);
    EXPECT_EQ(store.routers().size(), 1u);
}

} // namespace
