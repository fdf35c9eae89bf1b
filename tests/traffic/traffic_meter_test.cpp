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

    void tick(unsigned long long in, unsigned long long out) {
        table.set("eth0", in, out);
        meter.UpdateRates();
    }
};

} // namespace

TEST(TrafficMeter, FirstUpdateTakesBaselinesAndShowsPointZero) {
    Meter m;
    m.f.Text1 = "1024";
    m.f.Text2 = "2048";
    m.tick(102400, 51200);
    EXPECT_FALSE(m.meter.firstSample);
    EXPECT_EQ(m.f.Label9, u"DOWN:.0");
    EXPECT_EQ(m.f.Label10, u"UP:.0");
    EXPECT_EQ(m.f.lblRecv, u"");
    EXPECT_EQ(m.f.Command2, u"");
}

TEST(TrafficMeter, SecondUpdateShowsOneTickAndTheTotals) {
    Meter m;
    m.f.Text1 = "1024";
    m.f.Text2 = "2048";
    m.tick(102400, 51200);
    // 1280 bytes = 1.25 KB = 10 kilobits.
    m.tick(102400 + 1280, 51200 + 64);
    EXPECT_EQ(m.f.Label9, u"DOWN:10.0");
    EXPECT_EQ(m.f.Label10, u"UP:.5");
    // (103680 + 1024) / 1024 = 102.25 KB; (51264 + 2048) / 1024 = 52.0625 KB.
    EXPECT_EQ(m.f.lblRecv, u"102.25");
    EXPECT_EQ(m.f.lblSent, u"52.0625");
    EXPECT_EQ(m.f.Command2, u"0.10");
    EXPECT_EQ(m.f.Command3, u"0.05");
    // A tick without traffic.
    m.tick(102400 + 1280, 51200 + 64);
    EXPECT_EQ(m.f.Label9, u"DOWN:.0");
}

TEST(TrafficMeter, OneMegabyteTotal) {
    Meter m;
    m.f.Text1 = "1048000";
    m.f.Text2 = "0";
    m.tick(100, 100);
    m.tick(576, 100);
    EXPECT_EQ(m.f.lblRecv, u"1024");
    EXPECT_EQ(m.f.Command2, u"1.00");
}

TEST(TrafficMeter, SmallDifferencesRoundToOneDecimal) {
    Meter m;
    m.tick(0, 0);
    m.tick(5, 7); // 5 bytes = 0.0390625 kbit, 7 bytes = 0.0546875 kbit
    EXPECT_EQ(m.f.Label9, u"DOWN:.0");
    EXPECT_EQ(m.f.Label10, u"UP:.1");
}

TEST(TrafficMeter, FailedReadShowsEmptyFieldsThenTheGap) {
    Meter m;
    m.f.Text1 = "2048";
    m.tick(10240, 10240);
    m.tick(11264, 10240);
    m.table.fail = true;
    m.meter.UpdateRates();
    EXPECT_EQ(m.f.Label9, u"");
    EXPECT_EQ(m.f.Label10, u"");
    // Totals fall back to the saved part for that tick.
    EXPECT_EQ(m.f.lblRecv, u"2");
    m.table.fail = false;
    m.tick(12288, 10240);
    // Back from -80 kbit (0 against the 10 KB baseline) to +16: one tick shows 96.
    EXPECT_EQ(m.f.Label9, u"DOWN:96.0");
    EXPECT_EQ(m.f.Label10, u"UP:80.0");
}

TEST(TrafficMeter, NegativeCaptionIsClearedBeforeTheUpdate) {
    Meter m;
    m.f.Label9 = "DOWN:-5.0";
    m.f.Label10 = "UP:-1";
    m.table.fail = true;
    m.meter.UpdateRates(); // first sample: baselines only
    EXPECT_EQ(m.f.Label9, u"DOWN:.0");
}

TEST(TrafficMeter, MinuteAverageAtTheSixtiethTick) {
    Meter m;
    // The design-time caption counts as 0.
    m.meter.Timer2Step(true);
    EXPECT_EQ(m.f.Text3, u"1");
    EXPECT_EQ(m.f.Text4, u"0");
    m.f.Label9 = "DOWN:10.0";
    m.f.Label10 = "UP:2.5";
    for (int i = 2; i <= 59; ++i)
        m.meter.Timer2Step(true);
    EXPECT_EQ(m.f.Text3, u"59");
    EXPECT_EQ(m.f.Text4, u"725");
    EXPECT_EQ(m.f.Text5, u"");
    m.meter.Timer2Step(true);
    // (58 + 1) ticks of 12.5 over 60 ticks: 737.5 / 60 = 12.29...
    EXPECT_EQ(m.f.Text5, u"12.3");
    EXPECT_EQ(m.f.Text3, u"0");
    EXPECT_EQ(m.f.Text4, u"0");
    m.meter.Timer2Step(true);
    EXPECT_EQ(m.f.Text3, u"1");
    EXPECT_EQ(m.f.Text4, u"12.5");
    EXPECT_EQ(m.f.Text5, u"12.3");
}

TEST(TrafficMeter, EmptyRateCountsAsZero) {
    Meter m;
    m.f.Label9 = "";
    m.f.Label10 = "UP:4.0";
    m.meter.Timer2Step(true);
    EXPECT_EQ(m.f.Text4, u"4");
}

TEST(TrafficMeter, CommaLocaleDropsFractions) {
    Meter dot(u'.');
    Meter comma(u',');
    dot.f.Label9 = "DOWN:1.5";
    dot.f.Label10 = "UP:.5";
    comma.f.Label9 = "DOWN:1,5";
    comma.f.Label10 = "UP:,5";
    for (int i = 0; i < 60; ++i) {
        dot.meter.Timer2Step(true);
        comma.meter.Timer2Step(true);
    }
    EXPECT_EQ(dot.f.Text5, u"2.0");
    EXPECT_EQ(comma.f.Text5, u"1,0");
}

TEST(TrafficMeter, ConnectedStateCaptions) {
    Meter m;
    EXPECT_EQ(m.f.Label4, u"Label4");
    EXPECT_EQ(m.f.netcb, u"");
    EXPECT_TRUE(m.meter.Timer2Step(true));
    EXPECT_EQ(m.f.Label4, u"True");
    EXPECT_EQ(m.f.netcb, u"متصل");
    EXPECT_FALSE(m.meter.Timer2Step(false));
    EXPECT_EQ(m.f.Label4, u"False");
    EXPECT_EQ(m.f.netcb, QString::fromUtf16(u"\u063A\u064A\u0631 \u0645\u062A\u0635\u0644"));
}

TEST(TrafficMeter, RatesCarryOnAfterAnOfflineSpell) {
    Meter m;
    m.tick(1024, 1024);
    m.tick(2048, 1024);
    EXPECT_EQ(m.f.Label9, u"DOWN:8.0");
    // While offline no update runs; the captions keep their text and still add up.
    m.meter.Timer2Step(false);
    m.meter.Timer2Step(false);
    EXPECT_EQ(m.f.Text4, u"16");
    // The first rate after the spell is all the traffic of the gap.
    m.tick(2048 + 10 * 1024, 1024);
    EXPECT_EQ(m.f.Label9, u"DOWN:80.0");
}
