#include "traffic/counting_rule.h"

#include <gtest/gtest.h>

using namespace tarvo;

namespace {

InterfaceRow row(const char* name, LinkKind kind, bool device = false, bool route = false) {
    InterfaceRow r;
    r.name = r.description = name;
    r.kind = kind;
    r.hasDevice = device;
    r.defaultRoute = route;
    return r;
}

std::vector<std::string> countedOf(const std::vector<InterfaceRow>& rows,
                                   const std::vector<std::string>& patterns = {}) {
    const std::vector<bool> counted = chooseCounted(rows, patterns);
    std::vector<std::string> names;
    for (size_t i = 0; i < rows.size(); ++i)
        if (counted[i])
            names.push_back(rows[i].name);
    return names;
}

using Names = std::vector<std::string>;

} // namespace

TEST(CountingRule, PhysicalLinksCountAlsoAsPortsAndNothingStackedOnThem) {
    // A desktop with containers, a VM bridge over the Ethernet port, a VPN and Wi-Fi.
    const std::vector<InterfaceRow> rows = {
        row("lo", LinkKind::Loopback),
        row("eth0", LinkKind::Plain, true),
        row("wlan0", LinkKind::Plain, true),
        row("br0", LinkKind::Bridge, false, true),
        row("docker0", LinkKind::Bridge),
        row("veth9c1", LinkKind::Veth),
        row("bond0", LinkKind::Bond),
        row("eth0.5", LinkKind::Upper),
        row("tun0", LinkKind::Tunnel, false, true),
        row("wg0", LinkKind::Tunnel, false, true),
        row("vx0", LinkKind::Tunnel),
        row("vnet0", LinkKind::Tunnel),
        row("dummy0", LinkKind::Plain),
    };
    EXPECT_EQ(countedOf(rows), (Names{"eth0", "wlan0"}));
    EXPECT_FALSE(defaultRoutesMatter(rows));
}

TEST(CountingRule, WithoutAPhysicalLinkTheDefaultRouteLinksCount) {
    // A container: its veth carries the default route; a bridge and a tunnel beside it.
    std::vector<InterfaceRow> rows = {
        row("lo", LinkKind::Loopback, false, true),
        row("eth0", LinkKind::Veth, false, true),
        row("br-1", LinkKind::Bridge),
        row("vx0", LinkKind::Tunnel),
    };
    EXPECT_TRUE(defaultRoutesMatter(rows));
    EXPECT_EQ(countedOf(rows), (Names{"eth0"}));
    // Two default routes: both count.
    rows[3].defaultRoute = true;
    EXPECT_EQ(countedOf(rows), (Names{"eth0", "vx0"}));
    // No default route: nothing counts.
    rows[1].defaultRoute = rows[3].defaultRoute = false;
    EXPECT_TRUE(countedOf(rows).empty());
    // A physical link takes the place of every default-route link.
    rows[3].defaultRoute = true;
    rows.push_back(row("eth1", LinkKind::Plain, true));
    EXPECT_EQ(countedOf(rows), (Names{"eth1"}));
}

TEST(CountingRule, AModemsPppLinkCountsWhereItCarriesTheDefaultRoute) {
    std::vector<InterfaceRow> rows = {row("eth0", LinkKind::Plain, true),
                                      row("ppp0", LinkKind::Ppp, false, true)};
    EXPECT_TRUE(defaultRoutesMatter(rows));
    EXPECT_EQ(countedOf(rows), (Names{"eth0", "ppp0"}));
    // PPPoE: the same bytes cross eth0, which counts them.
    rows[1].encapsulated = true;
    EXPECT_EQ(countedOf(rows), (Names{"eth0"}));
    rows[1].encapsulated = false;
    rows[1].defaultRoute = false;
    EXPECT_EQ(countedOf(rows), (Names{"eth0"}));
}

TEST(CountingRule, UnclassifiedRowsAreTheWholeTableButLoopback) {
    std::vector<InterfaceRow> rows = {{"lo", "Loopback lo", 1, 1},
                                      {"a", "a", 1, 1},
                                      {"b", "Software Loopback Interface 1", 1, 1},
                                      {"c", "c", 1, 1}};
    EXPECT_EQ(countedOf(rows), (Names{"a", "c"}));
}

TEST(CountingRule, PatternsReplaceTheChoiceButNeverCountLoopback) {
    const std::vector<InterfaceRow> rows = {
        row("lo", LinkKind::Loopback),       row("eth0", LinkKind::Plain, true),
        row("wlan0", LinkKind::Plain, true), row("usb0", LinkKind::Plain, true),
        row("usb1", LinkKind::Veth),         row("tun0", LinkKind::Tunnel),
    };
    EXPECT_EQ(countedOf(rows, splitPatterns("wlan0,usb*")), (Names{"wlan0", "usb0", "usb1"}));
    EXPECT_EQ(countedOf(rows, splitPatterns("*")),
              (Names{"eth0", "wlan0", "usb0", "usb1", "tun0"}));
    EXPECT_TRUE(countedOf(rows, splitPatterns("ppp*")).empty());
    EXPECT_EQ(splitPatterns(" wlan0 , usb* ,,\t"), (Names{"wlan0", "usb*"}));
    EXPECT_TRUE(splitPatterns(" , ").empty());
    EXPECT_TRUE(splitPatterns("").empty());
}

TEST(CountingRule, ShellPatterns) {
    struct Case {
        const char* pattern;
        const char* name;
        bool match;
    };
    const Case cases[] = {
        {"eth0", "eth0", true},
        {"eth0", "eth01", false},
        {"eth?", "eth0", true},
        {"eth?", "eth", false},
        {"*", "", true},
        {"*", "anything", true},
        {"e*0", "eth0", true},
        {"e*0", "eth1", false},
        {"usb*", "usb", true},
        {"[ew]*", "wlan0", true},
        {"[ew]*", "usb0", false},
        {"eth[0-2]", "eth2", true},
        {"eth[0-2]", "eth3", false},
        {"eth[!0-2]", "eth3", true},
        {"eth[^0-2]", "eth1", false},
        {"a\\*", "a*", true},
        {"a\\*", "ab", false},
        {"br[", "br[", true},
        {"[]]x", "]x", true},
        {"a*b*c", "aXbYbZc", true},
        {"a*b*c", "aXbYbZ", false},
        {"*.5", "eth0.5", true},
        {"**0", "eth0", true},
        {"?*", "", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(matchesPattern(c.pattern, c.name), c.match) << c.pattern << " ~ " << c.name;
    // Many stars against a long name that almost matches: no blow-up.
    const std::string name(10000, 'a');
    EXPECT_FALSE(matchesPattern(std::string(50, '*') + std::string(30, 'a') + "b", name));
}
