#include "app/meter_session.h"
#include "common/number_text.h"
#include "fakes.h"
#include "support/temp_dir.h"
#include "support/temp_history.h"
#include "traffic/totals_store.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

using namespace tarvo;

namespace {

QDateTime at(int h, int min, int s = 0) {
    return QDateTime(QDate(2026, 12, 8), QTime(h, min, s));
}

using Bytes = std::pair<std::uint64_t, std::uint64_t>;

// Runs of the meter's session over one data folder, as the strip drives it. Starting a new
// run without stop() first is a kill of the previous one.
struct Runs {
    FakeServices fake;
    std::unique_ptr<HistoryStore> store;
    std::unique_ptr<MeterSession> session;

    Runs() { fake.bootId.assign(1, 'B'); }
    QString dir() const { return fake.dir.path(); }
    MeterSession& start(const QDateTime& now, const QDateTime& linksUp = QDateTime()) {
        session.reset();
        store.reset();
        fake.clock.time = now;
        Services s = fake.services();
        s.bootTime = linksUp;
        s.openHistory = [this] {
            store = openHistoryIn(dir());
            return store.get();
        };
        session = std::make_unique<MeterSession>(s);
        session->start();
        return *session;
    }
    // One second: the reading, then the save.
    void second(const QDateTime& now) {
        fake.clock.time = now;
        session->readRates(now);
        session->save(now);
    }
    void stop() { session->flush(); }
    // The totals file as an earlier run in boot "B" left it.
    void savedBefore(const SavedTotals& saved, std::vector<LinkCounters> links) {
        ASSERT_TRUE(TotalsStore(DataDirectory(dir()), u'.')
                        .save(saved, {true, 0, 0, {"B", std::move(links)}}));
    }
    QByteArray file() const { return readAll(fake.dir.filePath(QStringLiteral("file1.trv"))); }
    Bytes fileTotals() const {
        const SavedTotals t = TotalsStore(DataDirectory(dir()), u'.').load();
        return {std::uint64_t(LeadingNumber(t.received)), std::uint64_t(LeadingNumber(t.sent))};
    }
    std::unique_ptr<HistoryStore> reader() const {
        return std::make_unique<HistoryStore>(historyPathIn(dir()), HistoryStore::Mode::ReadOnly);
    }
    Bytes historyTotals() const {
        const UsageRow all = reader()->total(at(0, 0).addDays(-20), at(0, 0).addDays(3));
        return {all.received, all.sent};
    }
};

} // namespace

// The record beside the totals: a start in the same boot takes off what the totals hold of each
// link; a link made anew, or a new boot, counts whole.
TEST(MeterSession, RestartsInOneBootCountNothingTwice) {
    Runs t;
    writeFixture(t.fake.dir, "file1.trv", "1024**2048\r\n");
    t.fake.table.link("eth0", 1000, 100, 2);
    t.start(at(8, 0));
    t.second(at(8, 0, 1));
    EXPECT_EQ(t.file(), QByteArray("2024**2148\r\nboot B\r\nlink eth0 2 1000 100\r\n"));

    // Killed, traffic while nothing ran, started again in the same boot.
    t.fake.table.link("eth0", 1500, 150, 2);
    t.start(at(8, 1));
    t.second(at(8, 1, 1));
    EXPECT_EQ(t.file(), QByteArray("2524**2198\r\nboot B\r\nlink eth0 2 1500 150\r\n"));

    // The link deleted and made anew: the new one counts from 0.
    t.fake.table.link("eth0", 40, 4, 9);
    t.start(at(8, 2));
    t.second(at(8, 2, 1));
    EXPECT_EQ(t.file(), QByteArray("2564**2202\r\nboot B\r\nlink eth0 9 40 4\r\n"));

    // A new boot: the counters started again and count whole.
    t.fake.bootId.assign(1, 'C');
    t.start(at(8, 3));
    t.second(at(8, 3, 1));
    t.stop();
    EXPECT_EQ(t.file(), QByteArray("2604**2206\r\nboot C\r\nlink eth0 9 40 4\r\n"));
    EXPECT_EQ(t.historyTotals(), (Bytes{2604 - 1024, 2206 - 2048}));
}

TEST(MeterSession, TheFirstReadingGoesToItsMinutePerInterface) {
    Runs t;
    t.fake.table.link("eth0", 1500, 150, 2);
    t.fake.table.link("wlan0", 300, 30, 3);
    // The totals already hold eth0 up to 1000/100 in this boot; wlan0 is not recorded.
    t.savedBefore({QStringLiteral("5000"), QStringLiteral("500")}, {{"eth0", 2, 1000, 100}});
    t.start(at(9, 59, 59));
    t.second(at(10, 0, 0));
    t.stop();
    const auto reader = t.reader();
    HistoryStore& store = *reader;
    const UsageRow minute = store.total(at(10, 0), at(10, 1));
    EXPECT_EQ(minute.received, 500u + 300u);
    EXPECT_EQ(minute.sent, 50u + 30u);
    EXPECT_EQ(store.total(at(9, 0), at(10, 0)).received, 0u);
    EXPECT_EQ(store.interfaces(), (QStringList{QStringLiteral("eth0"), QStringLiteral("wlan0")}));
    EXPECT_EQ(t.fileTotals(), (Bytes{5800, 580}));
}

// A first start long after the links came up: what they carried before goes to the time they
// came up, marked, and neither spikes the start's minute nor counts in a cycle begun since.
// A link whose earlier count the totals file records adds only what came since, at the start.
TEST(MeterSession, TrafficFromBeforeTheMeterRanGoesToWhenTheLinksCameUp) {
    Runs t;
    t.fake.table.link("eth0", 92700000, 1200000, 2);
    t.fake.table.link("wlan0", 1500, 150, 3);
    t.savedBefore({QStringLiteral("5000"), QStringLiteral("500")}, {{"wlan0", 3, 1000, 100}});
    const QDateTime booted = at(10, 0).addDays(-9).addSecs(17);
    t.start(at(10, 0), booted);
    t.second(at(10, 0, 1));
    t.fake.table.link("eth0", 92700100, 1200010, 2);
    t.second(at(10, 0, 2));
    t.stop();

    const auto reader = t.reader();
    HistoryStore& store = *reader;
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
    const auto [received, sent] = t.fileTotals();
    EXPECT_EQ(t.historyTotals(), (Bytes{received - 5000, sent - 500}));
}

// Killed at any second, also between the reading and the save, or stopped cleanly: the
// history always grows by what the totals grew by, and the totals hold every byte once.
TEST(MeterSession, HistoryAndTotalsAgreeAcrossKillsAndCleanStops) {
    Runs t;
    t.fake.table.link("eth0", 0, 0, 2);
    t.fake.table.link("wlan0", 0, 0, 3);
    std::mt19937 random(12345);
    std::uint64_t eth0In = 0, eth0Out = 0, wlanIn = 0, wlanOut = 0;
    QDateTime now = at(8, 0, 0);
    for (int runNo = 0; runNo < 12; ++runNo) {
        t.start(now);
        const int seconds = 30 + int(random() % 150);
        for (int s = 0; s < seconds; ++s) {
            now = now.addSecs(1);
            eth0In += random() % 100000;
            eth0Out += random() % 5000;
            if (s % 3 == 0)
                wlanIn += random() % 7000, wlanOut += random() % 700;
            t.fake.table.link("eth0", eth0In, eth0Out, 2);
            t.fake.table.link("wlan0", wlanIn, wlanOut, 3);
            t.fake.clock.time = now;
            t.session->readRates(now);
            if (s == seconds - 1 && runNo % 3 == 1)
                break; // killed between the reading and the save
            t.session->save(now);
        }
        if (runNo % 3 == 2)
            t.stop();
        // Traffic while no meter runs: counted by the next run's first reading.
        eth0In += 12345;
        t.fake.table.link("eth0", eth0In, eth0Out, 2);
        now = now.addSecs(7);
    }
    t.start(now);
    t.second(now.addSecs(1));
    t.stop();
    const Bytes end = t.fileTotals();
    EXPECT_EQ(t.historyTotals(), end);
    EXPECT_EQ(end.first, eth0In + wlanIn);
}

// A clean stop reads the counters once more: what moved since the last second (the meter's
// own last exchanges with the router among it) is in the history and the totals file. Offline,
// there is nothing to read.
TEST(MeterSession, ACleanStopCountsWhatMovedSinceTheLastSecond) {
    for (const bool connected : {true, false}) {
        SCOPED_TRACE(connected ? "connected" : "offline");
        Runs t;
        t.fake.table.link("eth0", 1000, 100, 2);
        t.start(at(8, 0));
        t.fake.connection.connected = connected;
        t.session->connectionStep();
        t.second(at(8, 0, 1));
        t.fake.table.link("eth0", 1200, 120, 2);
        t.second(at(8, 0, 2));
        t.fake.table.link("eth0", 1800, 180, 2);
        t.stop();
        EXPECT_EQ(t.historyTotals(), connected ? (Bytes{1800, 180}) : (Bytes{1200, 120}));
        if (connected) {
            EXPECT_EQ(t.fileTotals(), (Bytes{1800, 180}));
        }
    }
}

// The reset: the totals become the traffic since the computer started, the history keeps what
// it holds and follows the totals on, also across a kill right after the reset.
TEST(MeterSession, AResetClearsTheTotalsNotTheHistoryAndBothGoOnTogether) {
    for (const bool killedAtOnce : {false, true}) {
        SCOPED_TRACE(killedAtOnce ? "killed right after the reset" : "a second after the reset");
        Runs t;
        t.fake.table.link("eth0", 1000, 100, 2);
        t.start(at(8, 0));
        t.second(at(8, 0, 1));
        t.fake.table.link("eth0", 3000, 300, 2);
        t.second(at(8, 0, 2));
        t.session->reset();
        EXPECT_EQ(t.session->fields().savedReceived, QStringLiteral("0"));
        EXPECT_EQ(t.historyTotals().first, 3000u);
        if (!killedAtOnce) {
            t.fake.table.link("eth0", 3500, 350, 2);
            t.second(at(8, 1, 3));
            EXPECT_EQ(t.fileTotals().first, 3500u); // since the computer started
        }
        t.start(at(8, 2));
        t.fake.table.link("eth0", 4000, 400, 2);
        t.second(at(8, 2, 1));
        t.stop();
        EXPECT_EQ(t.fileTotals(), (Bytes{4000, 400}));
        EXPECT_EQ(t.historyTotals(), (Bytes{4000, 400}));
    }
}

TEST(MeterSession, AResetThatStopsTakingOffTheRecordAddsNoTraffic) {
    Runs t;
    t.fake.table.link("eth0", 1500, 150, 2);
    t.savedBefore({QStringLiteral("9000"), QStringLiteral("900")}, {{"eth0", 2, 1000, 100}});
    t.start(at(8, 0));
    t.second(at(8, 0, 1)); // 500 and 50 beyond the record
    t.session->reset();
    t.fake.table.link("eth0", 1600, 160, 2);
    t.second(at(8, 1, 1));
    // The totals are the traffic since the computer started, and the rate below 1 Kb: the last
    // second's 100 bytes, not the 1000 no longer taken off.
    EXPECT_EQ(t.fileTotals(), (Bytes{1600, 160}));
    EXPECT_LT(LeadingNumber(t.session->fields().downRate.mid(5)), 1.0);
    // Killed, and started again in the same boot: what came since counts once. The history
    // holds only what passed.
    t.fake.table.link("eth0", 1700, 170, 2);
    t.start(at(8, 2));
    t.second(at(8, 2, 1));
    t.stop();
    EXPECT_EQ(t.fileTotals(), (Bytes{1700, 170}));
    EXPECT_EQ(t.historyTotals(), (Bytes{700, 70}));
}

// Offline, no reading comes: the totals are saved at once, and the minute still goes into the
// history when it is over.
TEST(MeterSession, OfflineTheTotalsAreSavedAndTheMinuteStillWritten) {
    Runs t;
    t.fake.table.link("eth0", 1000, 100, 2);
    t.start(at(8, 0));
    t.second(at(8, 0, 1));
    t.fake.table.link("eth0", 1700, 170, 2);
    t.second(at(8, 0, 2));
    t.fake.connection.connected = false;
    const MeterSecond offline = t.session->connectionStep();
    EXPECT_EQ(offline.connection, Connection::Offline);
    EXPECT_TRUE(offline.pause);
    EXPECT_FALSE(t.session->clockRunning());
    EXPECT_EQ(t.fileTotals(), (Bytes{1700, 170}));
    t.session->save(at(8, 2)); // no reading since: the ticks go on
    EXPECT_EQ(t.historyTotals(), (Bytes{1700, 170}));
    t.fake.connection.connected = true;
    EXPECT_EQ(t.session->connectionStep().connection, Connection::Connected);
    EXPECT_TRUE(t.session->clockRunning());
}

// The whole second as the strip's timer runs it, at 900 kbit/s down (112.5 KB a second) and
// with seconds that come late, paused or not at all.
TEST(MeterSession, ASecondIsASecondHoweverLateItComes) {
    Runs t;
    std::uint64_t in = 5000;
    t.fake.table.link("eth0", in, 0, 2);
    MeterSession& session = t.start(at(9, 0));
    session.beginSeconds();
    const auto second = [&](qint64 ms) {
        in += 115200 * std::uint64_t(ms) / 1000;
        t.fake.table.link("eth0", in, 0, 2);
        t.fake.clock.steady += ms;
        t.fake.clock.time = t.fake.clock.time.addMSecs(ms);
        return session.tick(t.fake.clock.time);
    };
    // Before the first connection step the state is unknown and nothing is read.
    MeterSecond s = second(1000);
    EXPECT_EQ(s.clock, u"09:00:01");
    EXPECT_EQ(s.connection, Connection::Connected);
    second(1000); // the first reading: the baselines
    second(1000);
    second(1000);
    EXPECT_EQ(session.fields().downRate, u"DOWN:900.0");
    // Held for 5 s (stopped, swapped out, a paused machine): the next second shows the rate
    // over those 5 s, not five seconds' worth at once.
    s = second(5000);
    EXPECT_EQ(s.clock, u"09:00:09");
    EXPECT_EQ(session.fields().downRate, u"DOWN:900.0");
    // Offline, the second ends with a pause of 200 ms: the tick after it covers 1.2 s.
    t.fake.connection.connected = false;
    EXPECT_TRUE(second(1000).pause);
    session.pauseOffline();
    EXPECT_EQ(t.fake.clock.sleeps, std::vector<int>{200});
    in += 115200 / 5;
    s = second(1000); // the clock is off: no caption, no reading
    EXPECT_TRUE(s.clock.isEmpty());
    t.fake.connection.connected = true;
    second(1000); // back: the clock runs again from the next second
    s = second(1000);
    EXPECT_EQ(s.clock, u"09:00:13");
    // The first rate after the spell covers it all, 3.2 s since the last reading.
    EXPECT_EQ(session.fields().downRate, u"DOWN:900.0");
}

namespace {

// A router that answers only when the test says so.
struct FakeRouter : RouterSource {
    int ticks = 0;
    void tick(qint64) override { ++ticks; }
    void answer(std::uint64_t rx, std::uint64_t tx, qint64 uptime, const QDateTime& when) {
        RouterReading r{
            QStringLiteral("uuid:home"), QStringLiteral("Home"), rx, tx, uptime, 0, when.toUTC()};
        onReading(r);
    }
};

} // namespace

// The router's readings go to its own rows, its day to the strip's tool tip, and the allowance
// counts them once chosen, while the router is on this network.
TEST(MeterSession, TheRoutersCountGoesApartAndTheAllowanceCanCountIt) {
    Runs t;
    FakeRouter router;
    t.fake.clock.time = at(10, 0);
    Services s = t.fake.services();
    s.router = &router;
    s.openHistory = [&t] {
        t.store = openHistoryIn(t.dir());
        return t.store.get();
    };
    MeterSession session(s);
    session.start();
    session.save(at(10, 0));
    // Not asked before this computer's first reading: what asking sends is the run's traffic.
    EXPECT_EQ(router.ticks, 0);
    session.readRates(at(10, 0));
    session.save(at(10, 0));
    EXPECT_EQ(router.ticks, 1);
    EXPECT_TRUE(session.networkToday().isEmpty());

    const std::uint64_t gib = std::uint64_t(1) << 30, mib = std::uint64_t(1) << 20;
    router.answer(5 * gib, 0, 3600, at(10, 0, 5)); // up since 09:00, 64-bit
    router.answer(5 * gib + 10 * mib, mib, 3610, at(10, 0, 15));
    EXPECT_EQ(session.networkToday(), QStringLiteral("5131.00"));
    t.fake.clock.time = at(10, 1);
    session.save(at(10, 1));
    EXPECT_EQ(session.networkToday(), QStringLiteral("5131.00"));
    UsageSource* rows = t.store->router(QStringLiteral("uuid:home"));
    ASSERT_NE(rows, nullptr);
    // What it counted before the first reading is spread over its hour of connection.
    EXPECT_GT(rows->hours(at(0, 0).date())[9].spread, 5 * gib / 100 * 99);
    EXPECT_EQ(rows->total(at(0, 0), at(0, 0).addDays(1)).received, 5 * gib + 10 * mib);
    EXPECT_EQ(t.historyTotals(), Bytes(0, 0));

    t.fake.settings.at(QStringLiteral("quota_mb")) = QStringLiteral("5000");
    session.checkAllowance();
    EXPECT_TRUE(t.fake.messages.shown.empty()); // this computer used nothing
    t.fake.settings.at(QStringLiteral("quota_source")) = QStringLiteral("router");
    t.fake.clock.time = at(12, 0); // not read for two hours: not on this network now
    session.checkAllowance();
    EXPECT_TRUE(t.fake.messages.shown.empty());
    t.fake.clock.time = at(10, 2);
    session.checkAllowance();
    EXPECT_EQ(t.fake.messages.texts(), QStringList{allowanceMessage(AllowanceMark::Whole)});
}
