#include "sysfs_fixture.h"
#include "traffic/counting_rule.h"
#include "traffic/link_facts_linux.h"

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

TEST(LinkFacts, EveryKindFromItsSysfsEntries) {
    QTemporaryDir dir;
    SysfsFixture sys(dir);
    struct Case {
        SysfsLink link;
        LinkKind kind;
    };
    const Case cases[] = {
        {{"lo", 1, 772, "0x9"}, LinkKind::Loopback},
        {{"eth0", 2, 1, "0x1003", nullptr, 0, true}, LinkKind::Plain},
        {{"wlan0", 3, 1, "0x1003", "wlan", 0, true}, LinkKind::Plain},
        // A modem in raw-IP mode has no hardware header, but a device.
        {{"wwan0", 4, 65534, "0x1091", "wwan", 0, true}, LinkKind::Plain},
        {{"usb0", 5, 1, "0x1003", nullptr, 0, true}, LinkKind::Plain},
        {{"br0", 6, 1, "0x1003", "bridge", 0, false, {"bridge"}, {}, {"eth0"}}, LinkKind::Bridge},
        {{"docker0", 7, 1, "0x1003", nullptr, 0, false, {"bridge"}}, LinkKind::Bridge},
        {{"bond0", 8, 1, "0x1403", "bond", 0, false, {"bonding"}, {}, {"usb0"}}, LinkKind::Bond},
        {{"team0", 9, 1, "0x1003", "team"}, LinkKind::Bond},
        {{"eth0.5", 10, 1, "0x1003", "vlan", 2, false, {}, {}, {"eth0"}}, LinkKind::Upper},
        {{"mv0", 11, 1, "0x1003", nullptr, 2, false, {}, {}, {"eth0"}}, LinkKind::Upper},
        {{"tun0", 12, 65534, "0x1091", nullptr, 0, false, {}, {"tun_flags"}}, LinkKind::Tunnel},
        {{"tap0", 13, 1, "0x1003", nullptr, 0, false, {}, {"tun_flags"}}, LinkKind::Tunnel},
        {{"wg0", 14, 65534, "0x91", "wireguard"}, LinkKind::Tunnel},
        // vxlan lists the link it is sent over as its lower link.
        {{"vx0", 15, 1, "0x1003", "vxlan", 0, false, {}, {}, {"eth0"}}, LinkKind::Tunnel},
        {{"gre1", 16, 778, "0x91"}, LinkKind::Tunnel},
        {{"ipip1", 17, 768, "0x91"}, LinkKind::Tunnel},
        {{"sit1", 18, 776, "0x91"}, LinkKind::Tunnel},
        {{"veth9c1", 19, 1, "0x1003", nullptr, 20}, LinkKind::Veth},
        {{"ppp0", 21, 512, "0x10d1", "ppp"}, LinkKind::Ppp},
        {{"dummy0", 22, 1, "0x83"}, LinkKind::Plain},
    };
    for (const Case& c : cases)
        sys.add(c.link);
    for (const Case& c : cases) {
        const LinkFacts facts = describeLink(sys.root().toStdString(), c.link.name);
        EXPECT_EQ(int(facts.kind), int(c.kind)) << c.link.name;
        EXPECT_EQ(facts.hasDevice, c.link.device) << c.link.name;
        EXPECT_EQ(facts.ifindex, std::uint32_t(c.link.ifindex)) << c.link.name;
        EXPECT_TRUE(facts.known) << c.link.name;
    }
    // Gone between the table and sysfs: a virtual link for now, asked again later.
    const LinkFacts gone = describeLink(sys.root().toStdString(), "gone0");
    EXPECT_EQ(int(gone.kind), int(LinkKind::Plain));
    EXPECT_FALSE(gone.hasDevice);
    EXPECT_FALSE(gone.known);
    // No sysfs at all: nothing to go by but the loopback's name.
    EXPECT_EQ(int(describeLink(dir.filePath("none").toStdString(), "eth0").kind),
              int(LinkKind::Unclassified));
    EXPECT_EQ(int(describeLink(dir.filePath("none").toStdString(), "lo").kind),
              int(LinkKind::Loopback));
    // A name that could climb out of the tree is not looked up.
    EXPECT_EQ(int(describeLink(sys.root().toStdString(), "..").kind), int(LinkKind::Unclassified));
}

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
