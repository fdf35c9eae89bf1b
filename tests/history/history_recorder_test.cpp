#include "common/number_text.h"
#include "history/history_recorder.h"
#include "traffic/fake_if_table.h"
#include "traffic/ip_helper.h"
#include "traffic/totals_store.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <random>

using namespace tarvo;

namespace {

QDateTime at(int h, int min, int s = 0) {
    return QDateTime(QDate(2026, 12, 8), QTime(h, min, s));
}

std::uint64_t number(const QString& text) {
    return std::uint64_t(LeadingNumber(text));
}

// One run of the meter as the main window drives it: load the totals, start the history,
// then each second a reading, the history fed, the totals saved. Destroying it without
// stop() is a kill.
struct MeterRun {
    MeterRun(FakeIfTable& table, const QString& dir, const std::string& boot, const QDateTime& now,
             const QDateTime& linksUp = QDateTime())
        : totals(DataDirectory(dir), u'.'),
          store(std::make_unique<HistoryStore>(dir + QStringLiteral("/history.sqlite"),
                                               HistoryStore::Mode::ReadWrite)),
          recorder(store.get()), helper(table) {
        std::optional<CountedRecord> record;
        saved = totals.LoadTotals(&record);
        helper.setStartRecord(record.value_or(CountedRecord{}), boot);
        recorder.start(now, number(saved.received), number(saved.sent), boot, linksUp);
    }
    // The reading and the history; the totals file is saved by save().
    void read(const QDateTime& now) {
        if (helper.InitInterfaces() || helper.hasReading())
            recorder.feed(now, number(saved.received) + helper.BytesReceived(),
                          number(saved.sent) + helper.BytesSent(), helper.countedByLink(),
                          helper.countedSinceLinkStart());
        recorder.tick(now);
    }
    void save() { totals.Timer3_Timer(saved, helper.reading()); }
    void second(const QDateTime& now) {
        read(now);
        save();
    }
    void stop() { recorder.flush(); }

    TotalsStore totals;
    std::unique_ptr<HistoryStore> store;
    HistoryRecorder recorder;
    CIpHelper helper;
    SavedTotals saved;
};

std::pair<std::uint64_t, std::uint64_t> fileTotals(const QString& dir) {
    const SavedTotals t = TotalsStore(DataDirectory(dir), u'.').LoadTotals();
    return {number(t.received), number(t.sent)};
}

std::pair<std::uint64_t, std::uint64_t> historyTotals(const QString& dir) {
    HistoryStore store(dir + QStringLiteral("/history.sqlite"), HistoryStore::Mode::ReadOnly);
    const UsageRow all = store.total(at(0, 0).addDays(-2), at(0, 0).addDays(3));
    return {all.received, all.sent};
}

} // namespace

TEST(HistoryRecorder, AMinuteIsWrittenOnceWhenItIsOver) {
    QTemporaryDir dir;
    HistoryStore store(dir.filePath(QStringLiteral("history.sqlite")),
                       HistoryStore::Mode::ReadWrite);
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
    QTemporaryDir dir;
    HistoryStore store(dir.filePath(QStringLiteral("history.sqlite")),
                       HistoryStore::Mode::ReadWrite);
    HistoryRecorder recorder(&store);
    recorder.start(at(10, 0), 0, 0, "B");
    recorder.feed(at(10, 0, 5), 50, 5, {{"eth0", 50, 5}});
    recorder.tick(at(10, 2, 0)); // offline: no reading, the clock goes on
    EXPECT_EQ(store.total(at(10, 0), at(10, 1)).received, 50u);
}

TEST(HistoryRecorder, TheFirstReadingGoesToItsMinutePerInterface) {
    QTemporaryDir dir;
    FakeIfTable table;
    table.link("eth0", 1500, 150, 2);
    table.link("wlan0", 300, 30, 3);
    // The totals already hold eth0 up to 1000/100 in this boot; wlan0 is not recorded.
    {
        TotalsStore totals(DataDirectory(dir.path()), u'.');
        ASSERT_TRUE(totals.Timer3_Timer({QStringLiteral("5000"), QStringLiteral("500")},
                                        {true, 0, 0, {"B", {{"eth0", 2, 1000, 100}}}}));
    }
    MeterRun run(table, dir.path(), "B", at(9, 59, 59));
    run.second(at(10, 0, 0));
    run.stop();
    HistoryStore store(dir.filePath(QStringLiteral("history.sqlite")),
                       HistoryStore::Mode::ReadOnly);
    const UsageRow minute = store.total(at(10, 0), at(10, 1));
    EXPECT_EQ(minute.received, 500u + 300u);
    EXPECT_EQ(minute.sent, 50u + 30u);
    EXPECT_EQ(store.total(at(9, 0), at(10, 0)).received, 0u);
    EXPECT_EQ(store.interfaces(), (QStringList{QStringLiteral("eth0"), QStringLiteral("wlan0")}));
    EXPECT_EQ(fileTotals(dir.path()), (std::pair<std::uint64_t, std::uint64_t>{5800, 580}));
}

// A first start long after the links came up: what they carried before goes to the time they
// came up, marked, and neither spikes the start's minute nor counts in a cycle begun since.
// A link whose earlier count the totals file records adds only what came since, at the start.
TEST(HistoryRecorder, TrafficFromBeforeTheMeterRanGoesToWhenTheLinksCameUp) {
    QTemporaryDir dir;
    FakeIfTable table;
    table.link("eth0", 92700000, 1200000, 2);
    table.link("wlan0", 1500, 150, 3);
    {
        TotalsStore totals(DataDirectory(dir.path()), u'.');
        ASSERT_TRUE(totals.Timer3_Timer({QStringLiteral("5000"), QStringLiteral("500")},
                                        {true, 0, 0, {"B", {{"wlan0", 3, 1000, 100}}}}));
    }
    const QDateTime booted = at(10, 0).addDays(-9).addSecs(17);
    MeterRun run(table, dir.path(), "B", at(10, 0), booted);
    run.second(at(10, 0, 1));
    table.link("eth0", 92700100, 1200010, 2);
    run.second(at(10, 0, 2));
    run.stop();

    HistoryStore store(dir.filePath(QStringLiteral("history.sqlite")),
                       HistoryStore::Mode::ReadOnly);
    const UsageRow atBoot = store.hours(booted.date())[booted.time().hour()];
    EXPECT_EQ(atBoot.received, 92700000u);
    EXPECT_EQ(atBoot.sent, 1200000u);
    EXPECT_EQ(atBoot.beforeMeter, 92700000u + 1200000u);
    const UsageRow start = store.hours(at(10, 0).date())[10];
    EXPECT_EQ(start.received, 500u + 100u);
    EXPECT_EQ(start.sent, 50u + 10u);
    EXPECT_EQ(start.beforeMeter, 0u);
    EXPECT_EQ(store.days(booted.date(), booted.date())[0].beforeMeter, atBoot.beforeMeter);
    // A cycle that began after the links came up holds only the traffic since the start.
    EXPECT_EQ(store.total(QDateTime(booted.date().addDays(1), QTime(0, 0)), at(23, 0)).received,
              600u);
    // The history still holds exactly what the totals grew by.
    const auto [received, sent] = fileTotals(dir.path());
    EXPECT_EQ(store.total(booted.addDays(-1), at(23, 0)).received, received - 5000);
    EXPECT_EQ(store.total(booted.addDays(-1), at(23, 0)).sent, sent - 500);
}

TEST(HistoryRecorder, HistoryAndTotalsAgreeAcrossKillsAndCleanStops) {
    QTemporaryDir dir;
    FakeIfTable table;
    table.link("eth0", 0, 0, 2);
    table.link("wlan0", 0, 0, 3);
    std::mt19937 random(12345);
    std::uint64_t eth0In = 0, eth0Out = 0, wlanIn = 0, wlanOut = 0;
    QDateTime now = at(8, 0, 0);
    const auto start = fileTotals(dir.path());
    for (int runNo = 0; runNo < 12; ++runNo) {
        auto run = std::make_unique<MeterRun>(table, dir.path(), "B", now);
        const int seconds = 30 + int(random() % 150);
        for (int s = 0; s < seconds; ++s) {
            now = now.addSecs(1);
            eth0In += random() % 100000;
            eth0Out += random() % 5000;
            if (s % 3 == 0)
                wlanIn += random() % 7000, wlanOut += random() % 700;
            table.link("eth0", eth0In, eth0Out, 2);
            table.link("wlan0", wlanIn, wlanOut, 3);
            run->read(now);
            // Some runs are killed between the history's write and the totals' save.
            if (s == seconds - 1 && runNo % 3 == 1)
                break;
            run->save();
        }
        if (runNo % 3 == 2)
            run->stop();
        run.reset(); // a kill unless stopped
        // Traffic while no meter runs: counted by the next run's first reading.
        eth0In += 12345;
        table.link("eth0", eth0In, eth0Out, 2);
        now = now.addSecs(7);
    }
    // A last run that stops cleanly.
    MeterRun last(table, dir.path(), "B", now);
    last.second(now.addSecs(1));
    last.stop();
    const auto end = fileTotals(dir.path());
    const auto history = historyTotals(dir.path());
    EXPECT_EQ(history.first, end.first - start.first);
    EXPECT_EQ(history.second, end.second - start.second);
    EXPECT_EQ(end.first, eth0In + wlanIn);
}

TEST(HistoryRecorder, AResetClearsTheTotalsNotTheHistoryAndBothGoOnTogether) {
    QTemporaryDir dir;
    FakeIfTable table;
    table.link("eth0", 1000, 100, 2);
    std::uint64_t before = 0;
    {
        MeterRun run(table, dir.path(), "B", at(8, 0));
        run.second(at(8, 0, 1));
        table.link("eth0", 3000, 300, 2);
        run.second(at(8, 0, 2));
        // The reset as the main window does it.
        const auto [rx, tx] = run.helper.countFromBoot();
        run.saved = {QStringLiteral("0"), QStringLiteral("0")};
        run.recorder.reset(run.helper.BytesReceived() + rx, run.helper.BytesSent() + tx);
        run.totals.writeResetLine();
        before = historyTotals(dir.path()).first;
        EXPECT_EQ(before, 3000u);
        table.link("eth0", 3500, 350, 2);
        run.second(at(8, 1, 3));
        // Killed here.
    }
    EXPECT_EQ(fileTotals(dir.path()).first, 3500u); // since the computer started
    {
        MeterRun run(table, dir.path(), "B", at(8, 2));
        table.link("eth0", 4000, 400, 2);
        run.second(at(8, 2, 1));
        run.stop();
    }
    EXPECT_EQ(fileTotals(dir.path()).first, 4000u);
    // The history kept what it had and grew as the totals did after the reset.
    EXPECT_EQ(historyTotals(dir.path()).first, 4000u);
}

TEST(HistoryRecorder, KilledRightAfterAResetCountsNothingTwice) {
    QTemporaryDir dir;
    FakeIfTable table;
    table.link("eth0", 1000, 100, 2);
    {
        MeterRun run(table, dir.path(), "B", at(8, 0));
        run.second(at(8, 0, 1));
        const auto [rx, tx] = run.helper.countFromBoot();
        run.recorder.reset(run.helper.BytesReceived() + rx, run.helper.BytesSent() + tx);
        run.totals.writeResetLine();
    }
    table.link("eth0", 1200, 120, 2);
    MeterRun run(table, dir.path(), "B", at(8, 1));
    run.second(at(8, 1, 1));
    run.stop();
    EXPECT_EQ(fileTotals(dir.path()).first, 1200u);
    EXPECT_EQ(historyTotals(dir.path()).first, 1200u);
}

TEST(HistoryRecorder, ClockJumpsNeitherMergeNorLoseTraffic) {
    QTemporaryDir dir;
    HistoryStore store(dir.filePath(QStringLiteral("history.sqlite")),
                       HistoryStore::Mode::ReadWrite);
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

TEST(HistoryRecorder, AResetThatStopsTakingOffTheRecordAddsNoTraffic) {
    QTemporaryDir dir;
    FakeIfTable table;
    table.link("eth0", 1500, 150, 2);
    {
        TotalsStore totals(DataDirectory(dir.path()), u'.');
        ASSERT_TRUE(totals.Timer3_Timer({QStringLiteral("9000"), QStringLiteral("900")},
                                        {true, 0, 0, {"B", {{"eth0", 2, 1000, 100}}}}));
    }
    MeterRun run(table, dir.path(), "B", at(8, 0));
    run.second(at(8, 0, 1)); // 500 and 50 beyond the record
    const auto [rx, tx] = run.helper.countFromBoot();
    EXPECT_EQ(rx, 1000u);
    run.saved = {QStringLiteral("0"), QStringLiteral("0")};
    run.recorder.reset(run.helper.BytesReceived() + rx, run.helper.BytesSent() + tx);
    run.totals.writeResetLine();
    table.link("eth0", 1600, 160, 2);
    run.second(at(8, 1, 1));
    run.stop();
    // The totals are the traffic since the computer started; the history only what passed.
    EXPECT_EQ(fileTotals(dir.path()), (std::pair<std::uint64_t, std::uint64_t>{1600, 160}));
    EXPECT_EQ(historyTotals(dir.path()), (std::pair<std::uint64_t, std::uint64_t>{600, 60}));
}

TEST(HistoryRecorder, AMinuteThatCouldNotBeWrittenGoesInWithTheNext) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    HistoryStore store(path, HistoryStore::Mode::ReadWrite);
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
