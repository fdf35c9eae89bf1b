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
