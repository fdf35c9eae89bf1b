#include "sysfs_fixture.h"
#include "traffic/link_facts_linux.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tarvo;

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
