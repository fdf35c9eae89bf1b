#include "fake_if_table.h"
#include "traffic/ip_helper.h"

#include <gtest/gtest.h>

using tarvo::CIpHelper;

TEST(CIpHelper, SumsNonLoopbackRows) {
    FakeIfTable table;
    table.rows = {{"lo", "MS TCP Loopback interface", 500, 500},
                  {"eth0", "eth0", 3000000000ull, 10},
                  {"wlan0", "wlan0", 2000000000ull, 20},
                  {"down0", "an interface that is down", 7, 1}};
    CIpHelper helper(table);
    EXPECT_EQ(helper.BytesReceived(), 0u);
    EXPECT_TRUE(helper.InitInterfaces());
    // 64-bit sums: no wrap at 2^32.
    EXPECT_EQ(helper.BytesReceived(), 5000000007ull);
    EXPECT_EQ(helper.BytesSent(), 31u);
}

TEST(CIpHelper, LoopbackRuleLooksAtTheFirst26Characters) {
    EXPECT_TRUE(CIpHelper::isLoopbackDescription("Software LOOPBACK Interface 1"));
    EXPECT_TRUE(CIpHelper::isLoopbackDescription("loop"));
    EXPECT_TRUE(CIpHelper::isLoopbackDescription("0123456789012345678901loop"));
    EXPECT_FALSE(CIpHelper::isLoopbackDescription("01234567890123456789012loop"));
    EXPECT_FALSE(CIpHelper::isLoopbackDescription(std::string("eth\0loop", 8)));
    EXPECT_FALSE(CIpHelper::isLoopbackDescription("lo"));
}

TEST(CIpHelper, OnlyLoopbackOrNoRowsGivesFalseAndZero) {
    FakeIfTable table;
    CIpHelper helper(table);
    EXPECT_FALSE(helper.InitInterfaces());
    table.rows = {{"lo", "Loopback lo", 100, 100}};
    EXPECT_FALSE(helper.InitInterfaces());
    EXPECT_EQ(helper.BytesReceived(), 0u);
    EXPECT_EQ(helper.BytesSent(), 0u);
}

TEST(CIpHelper, FailedReadGivesZeroThenTheNextGoodOneCarriesOn) {
    FakeIfTable table;
    table.set("eth0", 1000, 100);
    CIpHelper helper(table);
    ASSERT_TRUE(helper.InitInterfaces());
    table.fail = true;
    EXPECT_FALSE(helper.InitInterfaces());
    EXPECT_EQ(helper.BytesReceived(), 0u);
    EXPECT_EQ(helper.BytesSent(), 0u);
    table.fail = false;
    table.set("eth0", 1500, 150);
    ASSERT_TRUE(helper.InitInterfaces());
    EXPECT_EQ(helper.BytesReceived(), 1500u);
    EXPECT_EQ(helper.BytesSent(), 150u);
}

TEST(CIpHelper, InterfaceThatLeavesKeepsItsCounts) {
    FakeIfTable table;
    table.set("eth0", 1000, 100);
    table.set("tun0", 400, 40);
    CIpHelper helper(table);
    ASSERT_TRUE(helper.InitInterfaces());
    EXPECT_EQ(helper.BytesReceived(), 1400u);
    table.remove("tun0");
    table.set("eth0", 1010, 101);
    ASSERT_TRUE(helper.InitInterfaces());
    EXPECT_EQ(helper.BytesReceived(), 1410u);
    EXPECT_EQ(helper.BytesSent(), 141u);
    // Coming back, it counts from zero on top of what it had.
    table.set("tun0", 5, 6);
    ASSERT_TRUE(helper.InitInterfaces());
    EXPECT_EQ(helper.BytesReceived(), 1415u);
    EXPECT_EQ(helper.BytesSent(), 147u);
}

TEST(CIpHelper, CounterThatRestartsKeepsItsCounts) {
    FakeIfTable table;
    table.set("usb0", 900, 90);
    CIpHelper helper(table);
    ASSERT_TRUE(helper.InitInterfaces());
    table.set("usb0", 30, 95); // received restarted, sent went on
    ASSERT_TRUE(helper.InitInterfaces());
    EXPECT_EQ(helper.BytesReceived(), 930u);
    EXPECT_EQ(helper.BytesSent(), 95u);
}

TEST(CIpHelper, AllInterfacesGoneKeepsTheRunsTraffic) {
    FakeIfTable table;
    table.rows = {{"lo", "Loopback lo", 1, 1}};
    table.set("usb0", 700, 70);
    CIpHelper helper(table);
    ASSERT_TRUE(helper.InitInterfaces());
    table.remove("usb0");
    EXPECT_FALSE(helper.InitInterfaces());
    EXPECT_EQ(helper.BytesReceived(), 700u);
    EXPECT_EQ(helper.BytesSent(), 70u);
}

TEST(CIpHelper, FailedReadInBetweenDoesNotRetireAnything) {
    FakeIfTable table;
    table.set("eth0", 100, 10);
    CIpHelper helper(table);
    ASSERT_TRUE(helper.InitInterfaces());
    table.fail = true;
    helper.InitInterfaces();
    table.fail = false;
    table.set("eth0", 120, 12);
    ASSERT_TRUE(helper.InitInterfaces());
    EXPECT_EQ(helper.BytesReceived(), 120u);
}

namespace {
using tarvo::CountedRecord;
using tarvo::LinkKind;
const CountedRecord kRecordOfB{"B", {{"eth0", 2, 1000, 100}, {"usb0", 5, 70, 7}}};
} // namespace

TEST(CIpHelperSameBoot, TakesOffWhatTheSavedTotalsHold) {
    FakeIfTable table;
    table.link("eth0", 1500, 150, 2);
    CIpHelper helper(table);
    helper.setStartRecord(kRecordOfB, "B");
    // Before any reading, the record to save is the one the totals were loaded with, less
    // what is gone.
    EXPECT_FALSE(helper.reading().taken);
    EXPECT_EQ(helper.record(), kRecordOfB);
    ASSERT_TRUE(helper.InitInterfaces());
    EXPECT_EQ(helper.BytesReceived(), 500u);
    EXPECT_EQ(helper.BytesSent(), 50u);
    // usb0 is gone and adds nothing; eth0 is recorded at its present counters.
    EXPECT_EQ(helper.record(), (CountedRecord{"B", {{"eth0", 2, 1500, 150}}}));
    EXPECT_TRUE(helper.reading().taken);
}

// What a start takes off each link: only what the record of this boot holds of the same
// ifindex whose counters have not fallen.
TEST(CIpHelperSameBoot, AStartTakesOffOnlyWhatThisBootsRecordHoldsOfTheSameLink) {
    const struct {
        const char* what;
        CountedRecord record;
        std::string boot;
        std::uint64_t rx, tx;
        int ifindex;
        std::uint64_t countedRx, countedTx;
    } cases[] = {
        {"the same link in the same boot", kRecordOfB, "B", 1500, 150, 2, 500, 50},
        {"another boot", kRecordOfB, "C", 1500, 150, 2, 1500, 150},
        {"no boot known", kRecordOfB, "", 1500, 150, 2, 1500, 150},
        {"a missing or damaged record", CountedRecord{}, "B", 1500, 150, 2, 1500, 150},
        {"another ifindex under the same name", kRecordOfB, "B", 1500, 150, 9, 1500, 150},
        // The sent counter went on: only the received one counts from zero.
        {"a received counter below the recorded one", kRecordOfB, "B", 400, 150, 2, 400, 50},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeIfTable table;
        table.link("eth0", c.rx, c.tx, c.ifindex);
        CIpHelper helper(table);
        helper.setStartRecord(c.record, c.boot);
        if (c.boot != c.record.bootId) {
            EXPECT_TRUE(helper.record().links.empty());
        }
        ASSERT_TRUE(helper.InitInterfaces());
        EXPECT_EQ(helper.BytesReceived(), c.countedRx);
        EXPECT_EQ(helper.BytesSent(), c.countedTx);
        EXPECT_EQ(helper.record().bootId, c.boot);
    }
}

TEST(CIpHelperSameBoot, ResetCountsFromTheComputersStart) {
    FakeIfTable table;
    table.link("eth0", 1500, 150, 2);
    CIpHelper helper(table);
    helper.setStartRecord(kRecordOfB, "B");
    ASSERT_TRUE(helper.InitInterfaces());
    EXPECT_EQ(helper.countFromBoot(), (std::pair<std::uint64_t, std::uint64_t>{1000, 100}));
    table.link("eth0", 1600, 160, 2);
    ASSERT_TRUE(helper.InitInterfaces());
    EXPECT_EQ(helper.BytesReceived(), 1600u);
    EXPECT_EQ(helper.BytesSent(), 160u);
    EXPECT_EQ(helper.record(), (CountedRecord{"B", {{"eth0", 2, 1600, 160}}}));
    // A failed reading after a reset saves no record of the old start.
    table.fail = true;
    helper.InitInterfaces();
    EXPECT_TRUE(helper.record().links.empty());
}

TEST(CIpHelper, ALinkThatStartsCountingCountsFromThatMoment) {
    // A container: eth0 carries the default route; the tunnel vx0 carried 5000 bytes before
    // it got a default route of its own.
    FakeIfTable table;
    table.link("eth0", 100, 10, 2, LinkKind::Veth, false, true);
    table.link("vx0", 5000, 500, 3, LinkKind::Tunnel, false, false);
    CIpHelper helper(table);
    helper.setStartRecord(CountedRecord{}, "B");
    ASSERT_TRUE(helper.InitInterfaces());
    EXPECT_EQ(helper.BytesReceived(), 100u);
    EXPECT_EQ(helper.countedNames(), std::vector<std::string>{"eth0"});
    table.link("vx0", 5200, 520, 3, LinkKind::Tunnel, false, true);
    ASSERT_TRUE(helper.InitInterfaces());
    EXPECT_EQ(helper.BytesReceived(), 100u);
    EXPECT_EQ(helper.countedNames(), (std::vector<std::string>{"eth0", "vx0"}));
    table.link("vx0", 5300, 530, 3, LinkKind::Tunnel, false, true);
    ASSERT_TRUE(helper.InitInterfaces());
    EXPECT_EQ(helper.BytesReceived(), 200u);
    EXPECT_EQ(helper.BytesSent(), 20u);
    // It loses its route: what it counted stays, later traffic on it does not count.
    table.link("vx0", 5400, 540, 3, LinkKind::Tunnel, false, false);
    ASSERT_TRUE(helper.InitInterfaces());
    table.link("vx0", 9000, 900, 3, LinkKind::Tunnel, false, false);
    ASSERT_TRUE(helper.InitInterfaces());
    EXPECT_EQ(helper.BytesReceived(), 300u);
    EXPECT_EQ(helper.BytesSent(), 30u);
    // It stays in the record, so a restart in this boot that counts it again does not take
    // in what this run already counted.
    const CountedRecord record = helper.record();
    EXPECT_EQ(record, (CountedRecord{"B", {{"eth0", 2, 100, 10}, {"vx0", 3, 9000, 900}}}));
    table.link("vx0", 9100, 910, 3, LinkKind::Tunnel, false, true);
    CIpHelper next(table);
    next.setStartRecord(record, "B");
    ASSERT_TRUE(next.InitInterfaces());
    EXPECT_EQ(next.BytesReceived(), 100u);
    EXPECT_EQ(next.BytesSent(), 10u);
}

TEST(CIpHelper, ALinkPluggedInDuringTheRunCountsWhatItCarried) {
    FakeIfTable table;
    table.link("eth0", 100, 10, 2);
    CIpHelper helper(table);
    ASSERT_TRUE(helper.InitInterfaces());
    table.link("usb0", 300, 30, 7);
    ASSERT_TRUE(helper.InitInterfaces());
    EXPECT_EQ(helper.BytesReceived(), 400u);
    EXPECT_EQ(helper.countedNames(), (std::vector<std::string>{"eth0", "usb0"}));
}

TEST(CIpHelper, ALinkMadeAnewDuringTheRunKeepsWhatTheOldOneCounted) {
    FakeIfTable table;
    table.link("eth0", 100, 10, 2);
    CIpHelper helper(table);
    helper.setStartRecord(CountedRecord{}, "B");
    ASSERT_TRUE(helper.InitInterfaces());
    // Deleted and made again between two readings; the new one already carried more.
    table.link("eth0", 150, 15, 8);
    ASSERT_TRUE(helper.InitInterfaces());
    EXPECT_EQ(helper.BytesReceived(), 250u);
    EXPECT_EQ(helper.BytesSent(), 25u);
    EXPECT_EQ(helper.record(), (CountedRecord{"B", {{"eth0", 8, 150, 15}}}));
}

TEST(CIpHelper, PatternsCountExactlyTheMatchingLinks) {
    FakeIfTable table;
    table.rows = {{"lo", "Loopback lo", 1, 1}};
    table.link("eth0", 100, 10, 2);
    table.link("usb0", 20, 2, 3, LinkKind::Veth, false);
    table.link("usb1", 30, 3, 4, LinkKind::Tunnel, false);
    CIpHelper helper(table);
    helper.setPatterns({"usb*", "lo"});
    ASSERT_TRUE(helper.InitInterfaces());
    EXPECT_EQ(helper.BytesReceived(), 50u);
    EXPECT_EQ(helper.countedNames(), (std::vector<std::string>{"usb0", "usb1"}));
    helper.setPatterns({"nothing*"});
    EXPECT_FALSE(helper.InitInterfaces());
    // Both usb links stopped counting: what they counted stays.
    EXPECT_EQ(helper.BytesReceived(), 50u);
}

namespace {

using tarvo::LinkCount;

std::pair<std::uint64_t, std::uint64_t> sumOf(const std::vector<LinkCount>& counts) {
    std::uint64_t in = 0, out = 0;
    for (const LinkCount& c : counts) {
        in += c.in;
        out += c.out;
    }
    return {in, out};
}

} // namespace

TEST(CIpHelperPerLink, CountsAddUpToTheSumsThroughLinksLeavingAndMadeAnew) {
    FakeIfTable table;
    table.link("eth0", 100, 10, 2);
    table.link("usb0", 50, 5, 7);
    CIpHelper helper(table);
    helper.setStartRecord(CountedRecord{}, "B");
    ASSERT_TRUE(helper.InitInterfaces());
    EXPECT_EQ(helper.countedByLink(), (std::vector<LinkCount>{{"eth0", 100, 10}, {"usb0", 50, 5}}));
    // usb0 leaves after 20 more bytes; eth0 is made anew carrying 30.
    table.link("usb0", 70, 7, 7);
    ASSERT_TRUE(helper.InitInterfaces());
    table.remove("usb0");
    table.link("eth0", 30, 3, 9);
    ASSERT_TRUE(helper.InitInterfaces());
    EXPECT_EQ(helper.countedByLink(), (std::vector<LinkCount>{{"eth0", 130, 13}, {"usb0", 70, 7}}));
    EXPECT_EQ(sumOf(helper.countedByLink()), (std::pair<std::uint64_t, std::uint64_t>{
                                                 helper.BytesReceived(), helper.BytesSent()}));
    // usb0 comes back: what it counted before stays with it.
    table.link("usb0", 4, 1, 11);
    ASSERT_TRUE(helper.InitInterfaces());
    EXPECT_EQ(helper.countedByLink(), (std::vector<LinkCount>{{"eth0", 130, 13}, {"usb0", 74, 8}}));
    EXPECT_EQ(sumOf(helper.countedByLink()), (std::pair<std::uint64_t, std::uint64_t>{
                                                 helper.BytesReceived(), helper.BytesSent()}));
}

TEST(CIpHelperPerLink, AResetMakesTheSumsJumpButNoLinksCount) {
    FakeIfTable table;
    table.link("eth0", 1500, 150, 2);
    CIpHelper helper(table);
    helper.setStartRecord(kRecordOfB, "B");
    ASSERT_TRUE(helper.InitInterfaces());
    EXPECT_EQ(helper.countedByLink(), (std::vector<LinkCount>{{"eth0", 500, 50}}));
    helper.countFromBoot();
    table.link("eth0", 1600, 160, 2);
    ASSERT_TRUE(helper.InitInterfaces());
    EXPECT_EQ(helper.BytesReceived(), 1600u);
    // Only the 100 and 10 bytes of traffic since the last reading.
    EXPECT_EQ(helper.countedByLink(), (std::vector<LinkCount>{{"eth0", 600, 60}}));
    // It leaves after the reset: its count goes on from what it had.
    table.link("eth0", 1700, 170, 2);
    ASSERT_TRUE(helper.InitInterfaces());
    table.remove("eth0");
    helper.InitInterfaces();
    EXPECT_EQ(helper.countedByLink(), (std::vector<LinkCount>{{"eth0", 700, 70}}));
}

TEST(CIpHelperPerLink, ALinkThatStopsCountingKeepsItsCountAndAddsNothingMore) {
    FakeIfTable table;
    table.link("eth0", 100, 10, 2, LinkKind::Veth, false, true);
    table.link("vx0", 5000, 500, 3, LinkKind::Tunnel, false, true);
    CIpHelper helper(table);
    ASSERT_TRUE(helper.InitInterfaces());
    table.link("vx0", 5100, 510, 3, LinkKind::Tunnel, false, false);
    ASSERT_TRUE(helper.InitInterfaces());
    table.link("vx0", 9000, 900, 3, LinkKind::Tunnel, false, false);
    ASSERT_TRUE(helper.InitInterfaces());
    const auto counts = helper.countedByLink();
    ASSERT_EQ(counts.size(), 2u);
    EXPECT_EQ(counts[1], (LinkCount{"vx0", 5100, 510}));
    EXPECT_EQ(sumOf(counts), (std::pair<std::uint64_t, std::uint64_t>{helper.BytesReceived(),
                                                                      helper.BytesSent()}));
}
