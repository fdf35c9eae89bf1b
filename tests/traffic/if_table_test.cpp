#include "fake_route_changes.h"
#include "support/temp_dir.h"
#include "sysfs_fixture.h"
#include "traffic/if_table_linux.h"
#include "traffic/route_table_linux.h"

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <utility>

#include <gtest/gtest.h>

using namespace tarvo;

namespace {

const char kHeader[] =
    "Inter-|   Receive                                                |  Transmit\n"
    " face |bytes    packets errs drop fifo frame compressed multicast|bytes    packets errs "
    "drop fifo colls carrier compressed\n";

// A /sys/class/net with the given interfaces and flags.
QString sysClassNet(const QTemporaryDir& dir,
                    std::initializer_list<std::pair<const char*, const char*>> flags) {
    const QString root = dir.filePath("sys");
    for (const auto& [name, value] : flags) {
        QDir().mkpath(root + "/" + name);
        writeFixture(dir, QString("sys/%1/flags").arg(name), value);
    }
    return root;
}

std::vector<InterfaceRow> readRows(const QTemporaryDir& dir, const QByteArray& text,
                                   const QString& sys, bool* ok = nullptr) {
    QDir().mkpath(dir.filePath("net"));
    writeFixture(dir, "net/dev", text);
    ProcNetDevSource source(dir.filePath("net").toStdString(), sys.toStdString());
    std::vector<InterfaceRow> rows;
    const bool result = source.read(rows);
    if (ok)
        *ok = result;
    return rows;
}

} // namespace

TEST(ProcNetDev, ReadsReceivedAndSentBytesPerInterface) {
    QTemporaryDir dir;
    const QString sys =
        sysClassNet(dir, {{"lo", "0x9\n"}, {"eth0", "0x1003\n"}, {"wlan0", "0x1002"}});
    const auto rows = readRows(
        dir,
        QByteArray(kHeader) + "    lo:    3267      29    0    0    0     0          0         0   "
                              "  3267      29    0    0    0     0       0          0\n"
                              "  eth0: 70286335    1482    0    0    0     0          0         0  "
                              "  66926     805    0    0    0     0       0          0\n"
                              " wlan0:18446744073709551615 1 0 0 0 0 0 0 5000000000 1 0 0 0 0 0 0",
        sys);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].name, "lo");
    EXPECT_EQ(rows[0].description.rfind("Loopback", 0), 0u);
    EXPECT_EQ(rows[1].name, "eth0");
    EXPECT_EQ(rows[1].description, "eth0");
    EXPECT_EQ(rows[1].inOctets, 70286335u);
    EXPECT_EQ(rows[1].outOctets, 66926u);
    // 64-bit counters, and a last line without a newline.
    EXPECT_EQ(rows[2].inOctets, 18446744073709551615ull);
    EXPECT_EQ(rows[2].outOctets, 5000000000ull);
}

TEST(ProcNetDev, LeavesOutMalformedLines) {
    QTemporaryDir dir;
    const QString sys = sysClassNet(dir, {});
    const auto rows =
        readRows(dir,
                 QByteArray(kHeader) + "short: 1 2 3\n"
                                       "bad: 1 2 3 4 5 6 7 8 x 10 11 12 13 14 15 16\n"
                                       "huge: 99999999999999999999 0 0 0 0 0 0 0 1 0 0 0 0 0 0 0\n"
                                       "neg: -1 0 0 0 0 0 0 0 1 0 0 0 0 0 0 0\n"
                                       ": 1 0 0 0 0 0 0 0 1 0 0 0 0 0 0 0\n"
                                       "no colon at all\n"
                                       // Names the kernel never gives: they would read sysfs
                                       // paths of other things.
                                       "a b: 1 0 0 0 0 0 0 0 1 0 0 0 0 0 0 0\n"
                                       "../x: 1 0 0 0 0 0 0 0 1 0 0 0 0 0 0 0\n"
                                       "sixteen-letters0: 1 0 0 0 0 0 0 0 1 0 0 0 0 0 0 0\n"
                                       "\n"
                                       "veth-a.b@if2: 7 0 0 0 0 0 0 0 9 0 0 0 0 0 0 0\n",
                 sys);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].name, "veth-a.b@if2");
    EXPECT_EQ(rows[0].inOctets, 7u);
    EXPECT_EQ(rows[0].outOctets, 9u);
    // Without readable flags an interface is not taken for loopback.
    EXPECT_EQ(rows[0].description, "veth-a.b@if2");
}

TEST(ProcNetDev, MissingFileFails) {
    std::vector<InterfaceRow> rows{{"x", "x", 1, 1}};
    ProcNetDevSource source("/nonexistent", "/nonexistent");
    EXPECT_FALSE(source.read(rows));
    EXPECT_TRUE(rows.empty());
}

TEST(ProcNetDev, ReadsTheRunningKernel) {
    ProcNetDevSource source;
    std::vector<InterfaceRow> rows;
    ASSERT_TRUE(source.read(rows));
    const auto lo = std::find_if(rows.begin(), rows.end(), [](auto& r) { return r.name == "lo"; });
    ASSERT_NE(lo, rows.end());
    EXPECT_EQ(lo->description.rfind("Loopback", 0), 0u);
}

namespace {

const QByteArray kRouteHeader =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";

// A line laid out as the kernel writes it, about 120 bytes.
QByteArray devLine(const QByteArray& name, unsigned long long in, unsigned long long out) {
    return QString::asprintf("%6s:%8llu %7u %4u %4u %4u %5u %10u %9u %8llu %7u %4u %4u %4u "
                             "%5u %7u %10u\n",
                             name.constData(), in, 12u, 0u, 0u, 0u, 0u, 0u, 0u, out, 12u, 0u, 0u,
                             0u, 0u, 0u, 0u)
        .toLatin1();
}

long pageAtATime(int fd, char* buffer, std::size_t size, long offset) {
    return systemReadAt(fd, buffer, std::min<std::size_t>(size, 4096), offset);
}

} // namespace

TEST(ProcNetDev, ManyInterfacesReadInPagesGiveTheWholeTable) {
    QTemporaryDir dir;
    SysfsFixture sys(dir);
    QByteArray text = kHeader;
    for (int i = 0; i < 149; ++i) {
        const QByteArray name = "veth" + QByteArray::number(i);
        text += devLine(name, 1000 + i, 2000 + i);
    }
    text += devLine("uplink0", 2000000, 30000);
    ASSERT_GT(text.size(), 4 * 4096);
    QDir().mkpath(dir.filePath("net"));
    writeFixture(dir, "net/dev", text);
    ProcNetDevSource whole(dir.filePath("net").toStdString(), sys.root().toStdString());
    ProcNetDevSource paged(dir.filePath("net").toStdString(), sys.root().toStdString(),
                           pageAtATime);
    std::vector<InterfaceRow> a, b;
    ASSERT_TRUE(whole.read(a));
    ASSERT_TRUE(paged.read(b));
    ASSERT_EQ(a.size(), 150u);
    ASSERT_EQ(b.size(), 150u);
    EXPECT_EQ(b.back().name, "uplink0");
    EXPECT_EQ(b.back().inOctets, 2000000u);
    for (size_t i = 0; i < a.size(); ++i)
        EXPECT_TRUE(a[i].name == b[i].name && a[i].inOctets == b[i].inOctets &&
                    a[i].outOctets == b[i].outOctets)
            << i;
}

TEST(ProcNetDev, DescribesEachLinkOnceAndMarksDefaultRoutesWhereTheyMatter) {
    QTemporaryDir dir;
    SysfsFixture sys(dir);
    sys.add({"lo", 1, 772, "0x9"});
    sys.add({"up0", 2, 1, "0x1003", nullptr, 3});
    sys.add({"br0", 4, 1, "0x1003", "bridge", 0, false, {"bridge"}});
    QDir().mkpath(dir.filePath("net"));
    writeFixture(dir, "net/route",
                 kRouteHeader + "up0\t00000000\t0264A8C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n");
    writeFixture(dir, "net/ipv6_route",
                 "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
                 "fe800000000000000000000000000001 00000400 00000001 00000000 00000003     "
                 "br0\n");
    auto dev = [&](unsigned long long n) {
        writeFixture(dir, "net/dev",
                     QByteArray(kHeader) + devLine("lo", n, n) + devLine("up0", n, n) +
                         devLine("br0", n, n));
    };
    dev(10);
    ProcNetDevSource source(dir.filePath("net").toStdString(), sys.root().toStdString());
    std::vector<InterfaceRow> rows;
    ASSERT_TRUE(source.read(rows));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].description, "Loopback lo");
    EXPECT_EQ(int(rows[1].kind), int(LinkKind::Veth));
    EXPECT_EQ(rows[1].ifindex, 2u);
    EXPECT_TRUE(rows[1].defaultRoute); // IPv4
    EXPECT_TRUE(rows[2].defaultRoute); // IPv6
    EXPECT_FALSE(rows[0].defaultRoute);
    EXPECT_EQ(source.descriptions(), 3);
    dev(20);
    ASSERT_TRUE(source.read(rows));
    EXPECT_EQ(source.descriptions(), 3); // an unchanged table does not touch sysfs
    EXPECT_EQ(int(rows[2].kind), int(LinkKind::Bridge));
    // up0 deleted and made anew between two readings: its counters fell, it is looked at
    // again and comes back with its new ifindex.
    sys.remove("up0");
    sys.add({"up0", 7, 1, "0x1003", nullptr, 8});
    writeFixture(dir, "net/dev",
                 QByteArray(kHeader) + devLine("lo", 30, 30) + devLine("up0", 1, 1) +
                     devLine("br0", 30, 30));
    ASSERT_TRUE(source.read(rows));
    EXPECT_EQ(source.descriptions(), 4);
    EXPECT_EQ(rows[1].ifindex, 7u);
    // With a physical link beside them, the routes are not read at all.
    sys.add({"eth0", 9, 1, "0x1003", nullptr, 0, true});
    writeFixture(dir, "net/dev",
                 QByteArray(kHeader) + devLine("lo", 30, 30) + devLine("up0", 1, 1) +
                     devLine("br0", 30, 30) + devLine("eth0", 5, 5));
    ASSERT_TRUE(source.read(rows));
    EXPECT_TRUE(rows[3].hasDevice);
    EXPECT_FALSE(rows[1].defaultRoute);
}

TEST(ProcNetDev, RouteTablesAreReadAgainOnlyWhenTheKernelSaysTheyChanged) {
    QTemporaryDir dir;
    SysfsFixture sys(dir);
    sys.add({"a0", 2, 1, "0x1003", nullptr, 3});
    sys.add({"a1", 4, 1, "0x1003", nullptr, 5});
    QDir().mkpath(dir.filePath("net"));
    writeFixture(dir, "net/dev", QByteArray(kHeader) + devLine("a0", 1, 1) + devLine("a1", 1, 1));
    auto routeVia = [&](const char* name) {
        writeFixture(dir, "net/route",
                     kRouteHeader + name +
                         "\t00000000\t0264A8C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n");
    };
    routeVia("a0");
    bool changed = true;
    ProcNetDevSource source(dir.filePath("net").toStdString(), sys.root().toStdString(), {},
                            std::make_unique<FakeRouteChanges>(&changed));
    std::vector<InterfaceRow> rows;
    ASSERT_TRUE(source.read(rows));
    EXPECT_TRUE(rows[0].defaultRoute);
    EXPECT_FALSE(rows[1].defaultRoute);
    routeVia("a1");
    ASSERT_TRUE(source.read(rows));
    EXPECT_TRUE(rows[0].defaultRoute); // no word of a change: as before
    changed = true;
    ASSERT_TRUE(source.read(rows));
    EXPECT_FALSE(rows[0].defaultRoute);
    EXPECT_TRUE(rows[1].defaultRoute);
}

TEST(RouteTables, NameOnlyInterfacesThatCanExist) {
    const std::string_view v4 = "Iface\tDestination\tGateway\tFlags\tRefCnt\tUse\tMetric\tMask\n"
                                "eth0\t00000000\t0102A8C0\t0003\t0\t0\t100\t00000000\n"
                                "a/b\t00000000\t0102A8C0\t0003\t0\t0\t100\t00000000\n"
                                "sixteen-letters0\t00000000\t0102A8C0\t0003\t0\t0\t100\t00000000\n"
                                "eth0\t00000000\t0102A8C0\t0003\t0\t0\t200\t00000000\n";
    EXPECT_EQ(ipv4DefaultRouteInterfaces(v4), std::vector<std::string>{"eth0"});
    const std::string_view v6 =
        "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
        "fe800000000000000000000000000001 00000400 00000001 00000000 00000003 wlan0\n"
        "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
        "fe800000000000000000000000000001 00000400 00000001 00000000 00000003 wl:an0\n";
    EXPECT_EQ(ipv6DefaultRouteInterfaces(v6), std::vector<std::string>{"wlan0"});
}
