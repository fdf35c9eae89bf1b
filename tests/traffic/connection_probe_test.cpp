#include "fake_route_changes.h"
#include "support/temp_dir.h"
#include "traffic/connection_probe_linux.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tarvo;

namespace {

const char kRouteHeader[] =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";

struct Net {
    QTemporaryDir dir;
    Net() {
        QDir().mkpath(dir.filePath("proc"));
        QDir().mkpath(dir.filePath("sys"));
    }
    void route(const QByteArray& text) { writeFixture(dir, "proc/route", kRouteHeader + text); }
    void route6(const QByteArray& text) { writeFixture(dir, "proc/ipv6_route", text); }
    void link(const QString& name, const char* flags, const char* operstate = "up\n") {
        QDir().mkpath(dir.filePath("sys/" + name));
        writeFixture(dir, "sys/" + name + "/flags", flags);
        writeFixture(dir, "sys/" + name + "/operstate", operstate);
    }
    RouteConnectionProbe probe(std::unique_ptr<RouteChanges> changes = nullptr) {
        return RouteConnectionProbe(dir.filePath("proc").toStdString(),
                                    dir.filePath("sys").toStdString(), std::move(changes));
    }
    bool connected() { return probe().isConnected(); }
};

const QByteArray kDefaultViaEth0 = "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n";
const QByteArray kSubnetOnly = "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n";

} // namespace

TEST(RouteConnectionProbe, DefaultRouteThroughAnUpInterface) {
    Net net;
    net.link("eth0", "0x1003");
    net.route(kSubnetOnly + kDefaultViaEth0);
    EXPECT_TRUE(net.connected());
}

TEST(RouteConnectionProbe, NoDefaultRouteMeansNotConnected) {
    Net net;
    net.link("eth0", "0x1003");
    net.route(kSubnetOnly);
    EXPECT_FALSE(net.connected());
    // Only loopback, as in a fresh network namespace: no route files at all.
    Net empty;
    empty.link("lo", "0x9", "unknown\n");
    EXPECT_FALSE(empty.connected());
}

TEST(RouteConnectionProbe, InterfaceDownOrWithoutCarrierOrLoopback) {
    Net net;
    net.route(kDefaultViaEth0);
    net.link("eth0", "0x1002"); // administratively down
    EXPECT_FALSE(net.connected());
    net.link("eth0", "0x1003", "down\n"); // cable out
    EXPECT_FALSE(net.connected());
    net.link("eth0", "0x100b"); // loopback flag
    EXPECT_FALSE(net.connected());
    net.link("eth0", "0x1003", "unknown\n"); // tunnels report no carrier state
    EXPECT_TRUE(net.connected());
}

TEST(RouteConnectionProbe, RejectRouteDoesNotCount) {
    Net net;
    net.link("eth0", "0x1003");
    net.route("eth0\t00000000\t00000000\t0201\t0\t0\t0\t00000000\t0\t0\t0\n");
    EXPECT_FALSE(net.connected());
}

TEST(RouteConnectionProbe, Ipv6DefaultRoute) {
    Net net;
    net.link("eth0", "0x1003");
    net.link("lo", "0x9", "unknown\n");
    net.route("");
    // The kernel's own unreachable default on lo does not count.
    net.route6("00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
               "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200       lo\n");
    EXPECT_FALSE(net.connected());
    net.route6("00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
               "fd000000000000000000000000000001 00000400 00000002 00000000 00000003     eth0\n");
    EXPECT_TRUE(net.connected());
}

TEST(RouteConnectionProbe, MalformedLinesAreSkipped) {
    Net net;
    net.link("eth0", "0x1003");
    net.route("garbage\n\neth0\tzz\t0\t3\n" + kDefaultViaEth0);
    EXPECT_TRUE(net.connected());
    net.link("../etc", "0x1003");
    net.route("../etc\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n");
    EXPECT_FALSE(net.connected());
}

TEST(RouteConnectionProbe, WorkedOutAgainOnlyAfterTheKernelAnnouncesAChange) {
    Net net;
    net.link("eth0", "0x1003");
    net.route(kDefaultViaEth0);
    bool changed = true;
    RouteConnectionProbe probe = net.probe(std::make_unique<FakeRouteChanges>(&changed));
    EXPECT_TRUE(probe.isConnected());
    net.link("eth0", "0x1003", "down\n");
    EXPECT_TRUE(probe.isConnected()); // no announcement yet: the files are not read
    changed = true;
    EXPECT_FALSE(probe.isConnected());
    net.route(kSubnetOnly);
    net.link("eth0", "0x1003");
    changed = true;
    EXPECT_FALSE(probe.isConnected());
}
