#include "fake_if_table.h"
#include "traffic/traffic_meter.h"

#include <gtest/gtest.h>

using namespace tarvo;

namespace {

struct Meter {
    explicit Meter(QChar separator = u'.') : helper(table), meter(helper, separator) {}
    FakeIfTable table;
    CIpHelper helper;
    TrafficMeter meter;
    MeterFields& f = meter.fields;
    qint64 steadyMs = 0;

    // A rate update after `ms` on the steady clock, and then the tick's minute step.
    void tick(unsigned long long in, unsigned long long out, qint64 ms = 1000) {
        table.set("eth0", in, out);
        meter.readRates(steadyMs += ms);
    }
    void step(qint64 ms = 1000) { meter.minuteStep(steadyMs += ms); }
};

} // namespace

TEST(TrafficMeter, FirstUpdateTakesBaselinesAndShowsPointZero) {
    Meter m;
    m.f.savedReceived = "1024";
    m.f.savedSent = "2048";
    m.tick(102400, 51200);
    EXPECT_FALSE(m.meter.firstSample);
    EXPECT_EQ(m.f.downRate, u"DOWN:.0");
    EXPECT_EQ(m.f.upRate, u"UP:.0");
    EXPECT_EQ(m.f.receivedKB, u"");
    EXPECT_EQ(m.f.receivedMB, u"");
}

TEST(TrafficMeter, SecondUpdateShowsOneTickAndTheTotals) {
    Meter m;
    m.f.savedReceived = "1024";
    m.f.savedSent = "2048";
    m.tick(102400, 51200);
    // 1280 bytes = 1.25 KB = 10 kilobits.
    m.tick(102400 + 1280, 51200 + 64);
    EXPECT_EQ(m.f.downRate, u"DOWN:10.0");
    EXPECT_EQ(m.f.upRate, u"UP:.5");
    // (103680 + 1024) / 1024 = 102.25 KB; (51264 + 2048) / 1024 = 52.0625 KB.
    EXPECT_EQ(m.f.receivedKB, u"102.25");
    EXPECT_EQ(m.f.sentKB, u"52.0625");
    EXPECT_EQ(m.f.receivedMB, u"0.10");
    EXPECT_EQ(m.f.sentMB, u"0.05");
    // A tick without traffic.
    m.tick(102400 + 1280, 51200 + 64);
    EXPECT_EQ(m.f.downRate, u"DOWN:.0");
}

TEST(TrafficMeter, OneMegabyteTotal) {
    Meter m;
    m.f.savedReceived = "1048000";
    m.f.savedSent = "0";
    m.tick(100, 100);
    m.tick(576, 100);
    EXPECT_EQ(m.f.receivedKB, u"1024");
    EXPECT_EQ(m.f.receivedMB, u"1.00");
}

TEST(TrafficMeter, SmallDifferencesRoundToOneDecimal) {
    Meter m;
    m.tick(0, 0);
    m.tick(5, 7); // 5 bytes = 0.0390625 kbit, 7 bytes = 0.0546875 kbit
    EXPECT_EQ(m.f.downRate, u"DOWN:.0");
    EXPECT_EQ(m.f.upRate, u"UP:.1");
}

TEST(TrafficMeter, FailedReadShowsEmptyFieldsThenTheGap) {
    Meter m;
    m.f.savedReceived = "2048";
    m.tick(10240, 10240);
    m.tick(11264, 10240);
    m.table.fail = true;
    m.meter.readRates(m.steadyMs += 1000);
    EXPECT_EQ(m.f.downRate, u"");
    EXPECT_EQ(m.f.upRate, u"");
    // Totals fall back to the saved part for that tick.
    EXPECT_EQ(m.f.receivedKB, u"2");
    m.table.fail = false;
    m.tick(12288, 10240);
    // Back from -80 kbit (0 against the 10 KB baseline) to +16: one tick shows 96.
    EXPECT_EQ(m.f.downRate, u"DOWN:96.0");
    EXPECT_EQ(m.f.upRate, u"UP:80.0");
}

TEST(TrafficMeter, NegativeCaptionIsClearedBeforeTheUpdate) {
    Meter m;
    m.f.downRate = "DOWN:-5.0";
    m.f.upRate = "UP:-1";
    m.table.fail = true;
    m.meter.readRates(m.steadyMs += 1000); // first sample: baselines only
    EXPECT_EQ(m.f.downRate, u"DOWN:.0");
}

TEST(TrafficMeter, MinuteAverageAtTheSixtiethTick) {
    Meter m;
    // The design-time caption counts as 0.
    m.step();
    EXPECT_EQ(m.f.minuteTicks, u"1");
    EXPECT_EQ(m.f.minuteSum, u"0");
    m.f.downRate = "DOWN:10.0";
    m.f.upRate = "UP:2.5";
    for (int i = 2; i <= 59; ++i)
        m.step();
    EXPECT_EQ(m.f.minuteTicks, u"59");
    EXPECT_EQ(m.f.minuteSum, u"725");
    EXPECT_EQ(m.f.minuteAverage, u"");
    m.step();
    // (58 + 1) ticks of 12.5 over 60 ticks: 737.5 / 60 = 12.29...
    EXPECT_EQ(m.f.minuteAverage, u"12.3");
    EXPECT_EQ(m.f.minuteTicks, u"0");
    EXPECT_EQ(m.f.minuteSum, u"0");
    m.step();
    EXPECT_EQ(m.f.minuteTicks, u"1");
    EXPECT_EQ(m.f.minuteSum, u"12.5");
    EXPECT_EQ(m.f.minuteAverage, u"12.3");
}

TEST(TrafficMeter, EmptyRateCountsAsZero) {
    Meter m;
    m.f.downRate = "";
    m.f.upRate = "UP:4.0";
    m.step();
    EXPECT_EQ(m.f.minuteSum, u"4");
}

TEST(TrafficMeter, CommaLocaleDropsFractions) {
    Meter dot(u'.');
    Meter comma(u',');
    dot.f.downRate = "DOWN:1.5";
    dot.f.upRate = "UP:.5";
    comma.f.downRate = "DOWN:1,5";
    comma.f.upRate = "UP:,5";
    for (int i = 0; i < 60; ++i) {
        dot.step();
        comma.step();
    }
    EXPECT_EQ(dot.f.minuteAverage, u"2.0");
    EXPECT_EQ(comma.f.minuteAverage, u"1,0");
}

TEST(TrafficMeter, RatesCarryOnAfterAnOfflineSpell) {
    Meter m;
    m.tick(1024, 1024);
    m.tick(2048, 1024);
    EXPECT_EQ(m.f.downRate, u"DOWN:8.0");
    // While offline no update runs; the captions keep their text and still add up.
    m.step();
    m.step();
    EXPECT_EQ(m.f.minuteSum, u"16");
    // The first rate after the spell is the gap's traffic over the gap: 80 kbit in 3 s.
    m.tick(2048 + 10 * 1024, 1024);
    EXPECT_EQ(m.f.downRate, u"DOWN:26.7");
}

// 112.5 KB a second both ways is 900 kbit/s, whatever the ticks' spacing.
TEST(TrafficMeter, ARateIsTheKilobitsOverTheSecondsSinceThePreviousUpdate) {
    Meter m;
    unsigned long long in = 0, out = 0;
    const auto after = [&](qint64 ms) {
        in += 115200ULL * ms / 1000;
        out += 1280ULL * ms / 1000; // 10 kbit/s
        m.tick(in, out, ms);
    };
    m.tick(0, 0);
    after(1000);
    EXPECT_EQ(m.f.downRate, u"DOWN:900.0");
    EXPECT_EQ(m.f.upRate, u"UP:10.0");
    after(500); // 56.25 KB = 450 kbit in half a second
    EXPECT_EQ(m.f.downRate, u"DOWN:900.0");
    after(5000); // held for 5 s: 4500 kbit in 5 s, not a 5-fold spike
    EXPECT_EQ(m.f.downRate, u"DOWN:900.0");
    EXPECT_EQ(m.f.upRate, u"UP:10.0");
    after(90000); // woken after a minute and a half
    EXPECT_EQ(m.f.downRate, u"DOWN:900.0");
    after(1200); // the tick after the offline pause: 1080 kbit in 1.2 s
    EXPECT_EQ(m.f.downRate, u"DOWN:900.0");
    // The totals are counts: 97.7 s of 112.5 KB.
    EXPECT_EQ(m.f.receivedKB, u"10991.25");
}

TEST(TrafficMeter, AClockThatStoodStillKeepsTheRatesAndLeavesTheTrafficToTheNextUpdate) {
    Meter m;
    m.tick(0, 0);
    m.tick(1280, 0); // 10 kbit in 1 s
    EXPECT_EQ(m.f.downRate, u"DOWN:10.0");
    m.tick(2560, 0, 0); // the clock stood still: 10 kbit more, no span to divide by
    EXPECT_EQ(m.f.downRate, u"DOWN:10.0");
    EXPECT_EQ(m.f.receivedKB, u"2.5"); // the total still counts it
    m.tick(2560 + 1280, 0);            // 20 kbit since the last rate, over 1 s
    EXPECT_EQ(m.f.downRate, u"DOWN:20.0");
}

TEST(TrafficMeter, TheMinuteAverageWeighsALateTickForTheTimeItCovers) {
    Meter m;
    // 59 ticks a second apart at 10 kbit/s, then one 61 s late at 70: (59 * 10 + 61 * 70) / 120
    // = 40.5, where counting the ticks alike would give (59 * 10 + 70) / 60 = 11.
    m.f.downRate = "DOWN:10.0";
    m.f.upRate = "UP:.0";
    for (int i = 1; i <= 59; ++i)
        m.step();
    m.f.downRate = "DOWN:70.0";
    m.step(61000);
    EXPECT_EQ(m.f.minuteAverage, u"40.5");
    // A tick while the clock stood still adds a tick and no time: 58 s and 2 s at 30 over
    // 60 s, the 90 shown for no time left out (counted as a second it would make 31).
    m.f.downRate = "DOWN:30.0";
    for (int i = 1; i <= 58; ++i)
        m.step();
    m.f.downRate = "DOWN:90.0";
    m.step(0);
    m.f.downRate = "DOWN:30.0";
    m.step(2000);
    EXPECT_EQ(m.f.minuteAverage, u"30.0");
}
