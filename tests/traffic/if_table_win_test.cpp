#include "traffic/counting_rule.h"
#include "traffic/if_table_win.h"

// clang-format off
#include <winsock2.h>
#include <ws2ipdef.h>
#include <windows.h>
#include <iphlpapi.h>
#include <netioapi.h>
// clang-format on

#include <gtest/gtest.h>

#include <cwchar>
#include <vector>

using namespace tarvo;

namespace {

struct Adapter {
    const wchar_t* alias;
    IFTYPE type;
    bool hardware;
    bool filter;
    ULONG64 in, out;
};

// An interface table laid out as GetIfTable2 returns it: a count, then the rows.
class MadeUpTable {
public:
    explicit MadeUpTable(const std::vector<Adapter>& adapters)
        : memory_(sizeof(MIB_IF_TABLE2) + adapters.size() * sizeof(MIB_IF_ROW2)) {
        table().NumEntries = ULONG(adapters.size());
        for (size_t i = 0; i < adapters.size(); ++i) {
            MIB_IF_ROW2& row = table().Table[i];
            const Adapter& a = adapters[i];
            std::wcsncpy(row.Alias, a.alias, IF_MAX_STRING_SIZE);
            std::wcsncpy(row.Description, a.alias, IF_MAX_STRING_SIZE);
            row.InterfaceLuid.Value = 1000 + i;
            row.InterfaceIndex = NET_IFINDEX(i + 1);
            row.Type = a.type;
            row.InterfaceAndOperStatusFlags.HardwareInterface = a.hardware;
            row.InterfaceAndOperStatusFlags.FilterInterface = a.filter;
            row.InOctets = a.in;
            row.OutOctets = a.out;
        }
    }
    MIB_IF_TABLE2& table() { return *reinterpret_cast<MIB_IF_TABLE2*>(memory_.data()); }

private:
    std::vector<unsigned char> memory_;
};

} // namespace

// A laptop as Windows lists it: the Ethernet adapter twice more as filter layers, Wi-Fi, the
// loopback, a virtual switch and a VPN. Only the two hardware adapters count, each once.
TEST(IfTable2, OnlyHardwareAdaptersCountAndFilterLayersNotAtAll) {
    MadeUpTable made({
        {L"Loopback Pseudo-Interface 1", IF_TYPE_SOFTWARE_LOOPBACK, false, false, 0, 0},
        {L"Ethernet", IF_TYPE_ETHERNET_CSMACD, true, false, 1000, 100},
        {L"Ethernet-WFP Native MAC Layer LightWeight Filter-0000", IF_TYPE_ETHERNET_CSMACD, true,
         true, 1000, 100},
        {L"Ethernet-QoS Packet Scheduler-0000", IF_TYPE_ETHERNET_CSMACD, true, true, 1000, 100},
        {L"Wi-Fi", IF_TYPE_IEEE80211, true, false, 500, 50},
        {L"vEthernet (Default Switch)", IF_TYPE_ETHERNET_CSMACD, false, false, 300, 30},
        {L"VPN", IF_TYPE_PROP_VIRTUAL, false, false, 200, 20},
        {L"", IF_TYPE_TUNNEL, false, false, 7, 7},
    });
    const std::vector<InterfaceRow> rows = interfaceRows(made.table());
    ASSERT_EQ(rows.size(), 6u); // the filter layers are left out
    EXPECT_EQ(rows[0].kind, LinkKind::Loopback);
    EXPECT_EQ(rows.back().name, "1007"); // no alias: the LUID names it
    const std::vector<bool> counted = chooseCounted(rows);
    unsigned long long in = 0, out = 0;
    std::vector<std::string> names;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!counted[i])
            continue;
        names.push_back(rows[i].name);
        in += rows[i].inOctets;
        out += rows[i].outOctets;
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Ethernet", "Wi-Fi"}));
    EXPECT_EQ(in, 1500u);
    EXPECT_EQ(out, 150u);
}
