#include "history/history_recorder.h"
#include "support/temp_history.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace tarvo;

namespace {

QDateTime at(int h, int min, int s = 0) {
    return QDateTime(QDate(2026, 12, 8), QTime(h, min, s));
}

} // namespace

TEST(HistoryRecorder, AMinuteIsWrittenOnceWhenItIsOver) {
    TempHistory h;
    HistoryStore& store = h.store;
    HistoryRecorder recorder(&store);
    recorder.start(at(10, 0), 0, 0, "B");
    const int atStart = recorder.writes();
    std::vector<LinkCount> counted{{"eth0", 0, 0}};
    for (int s = 0; s < 60; ++s) {
        counted[0].in += 100;
        counted[0].out += 10;
        recorder.feed(at(10, 0, s), counted[0].in, counted[0].out, counted);
        recorder.tick(at(10, 0, s));
    }
    EXPECT_EQ(recorder.writes(), atStart);
    EXPECT_EQ(store.hours(QDate(2026, 12, 8))[10].received, 0u);
    counted[0].in += 7;
    recorder.feed(at(10, 1, 0), counted[0].in, counted[0].out, counted);
    EXPECT_EQ(recorder.writes(), atStart + 1);
    EXPECT_EQ(store.total(at(10, 0), at(10, 1)).received, 6000u);
    EXPECT_EQ(store.total(at(10, 0), at(10, 1)).sent, 600u);
    // The new minute's 7 bytes wait for the minute to end or for a clean stop.
    EXPECT_EQ(store.total(at(10, 1), at(10, 2)).received, 0u);
    recorder.tick(at(10, 1, 30));
    EXPECT_EQ(recorder.writes(), atStart + 1);
    recorder.flush();
    EXPECT_EQ(store.total(at(10, 1), at(10, 2)).received, 7u);
    EXPECT_EQ(store.mark()->received, counted[0].in);
}

TEST(HistoryRecorder, TicksWriteAMinuteThatEndedWithoutReadings) {
    TempHistory h;
    HistoryStore& store = h.store;
    HistoryRecorder recorder(&store);
    recorder.start(at(10, 0), 0, 0, "B");
    recorder.feed(at(10, 0, 5), 50, 5, {{"eth0", 50, 5}});
    recorder.tick(at(10, 2, 0)); // offline: no reading, the clock goes on
    EXPECT_EQ(store.total(at(10, 0), at(10, 1)).received, 50u);
}

TEST(HistoryRecorder, ClockJumpsNeitherMergeNorLoseTraffic) {
    TempHistory h;
    HistoryStore& store = h.store;
    HistoryRecorder recorder(&store);
    recorder.start(at(10, 0), 0, 0, "B");
    recorder.feed(at(10, 0, 10), 100, 1, {{"eth0", 100, 1}});
    // Set back an hour: a minute of its own.
    recorder.feed(at(9, 0, 10), 300, 3, {{"eth0", 300, 3}});
    // Forward a day, then back to 10:00 again: that minute adds up.
    recorder.feed(at(10, 0, 10).addDays(1), 600, 6, {{"eth0", 600, 6}});
    recorder.feed(at(10, 0, 20), 1000, 10, {{"eth0", 1000, 10}});
    recorder.flush();
    EXPECT_EQ(store.total(at(10, 0), at(10, 1)).received, 100u + 400u);
    EXPECT_EQ(store.total(at(9, 0), at(9, 1)).received, 200u);
    EXPECT_EQ(store.total(at(10, 0).addDays(1), at(10, 1).addDays(1)).received, 300u);
    EXPECT_EQ(store.total(at(0, 0), at(0, 0).addDays(2)).received, 1000u);
}

TEST(HistoryRecorder, WithoutAStoreNothingHappens) {
    HistoryRecorder recorder(nullptr);
    recorder.start(at(10, 0), 1, 1, "B");
    recorder.feed(at(10, 0, 1), 2, 2, {{"eth0", 1, 1}});
    recorder.flush();
    EXPECT_EQ(recorder.writes(), 0);
}

TEST(HistoryRecorder, AMinuteThatCouldNotBeWrittenGoesInWithTheNext) {
    TempHistory h;
    HistoryStore& store = h.store;
    const QString path = h.path();
    HistoryRecorder recorder(&store);
    recorder.start(at(10, 0), 0, 0, "B");
    recorder.feed(at(10, 0, 5), 50, 5, {{"eth0", 50, 5}});
    {
        // Another program writes the file for a while: the history waits its turn.
        QSqlDatabase other =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("writer"));
        other.setDatabaseName(path);
        ASSERT_TRUE(other.open());
        QSqlQuery q(other);
        ASSERT_TRUE(q.exec(QStringLiteral("BEGIN IMMEDIATE")));
        const int before = recorder.writes();
        recorder.feed(at(10, 1, 5), 80, 8, {{"eth0", 80, 8}});
        EXPECT_EQ(recorder.writes(), before);
        ASSERT_TRUE(q.exec(QStringLiteral("ROLLBACK")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("writer"));
    recorder.feed(at(10, 2, 5), 100, 10, {{"eth0", 100, 10}});
    recorder.flush();
    EXPECT_EQ(store.total(at(10, 0), at(10, 1)).received, 50u);
    EXPECT_EQ(store.total(at(10, 1), at(10, 2)).received, 30u);
    EXPECT_EQ(store.total(at(10, 2), at(10, 3)).received, 20u);
    EXPECT_EQ(store.mark()->received, 100u);
    EXPECT_TRUE(store.movedAside().isEmpty());
}
