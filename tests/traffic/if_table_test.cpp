#include "support/temp_dir.h"
#include "traffic/if_table_linux.h"

#include <QDir>
#include <QTemporaryDir>

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
