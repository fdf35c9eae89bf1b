#include "traffic/if_table_win.h"

// clang-format off
#include <winsock2.h>
#include <ws2ipdef.h>
#include <windows.h>
#include <iphlpapi.h>
#include <netioapi.h>
// clang-format on

#include <string>

namespace tarvo {

namespace {
std::string narrow(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string out(size_t(size - 1), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, out.data(), size, nullptr, nullptr);
    return out;
}
} // namespace

std::vector<InterfaceRow> interfaceRows(const MIB_IF_TABLE2& table) {
    std::vector<InterfaceRow> rows;
    for (ULONG i = 0; i < table.NumEntries; ++i) {
        const MIB_IF_ROW2& row = table.Table[i];
        // Filter layers repeat the traffic of the adapter they sit on.
        if (row.InterfaceAndOperStatusFlags.FilterInterface)
            continue;
        InterfaceRow out;
        // The alias ("Ethernet", "Wi-Fi") is what users see and what the setting names.
        out.name = narrow(row.Alias);
        if (out.name.empty())
            out.name = std::to_string(row.InterfaceLuid.Value);
        out.description = narrow(row.Description);
        out.inOctets = row.InOctets;
        out.outOctets = row.OutOctets;
        out.ifindex = row.InterfaceIndex;
        // Hardware adapters are where bytes leave the computer; VPN, tunnel and virtual
        // switch adapters carry bytes that cross a hardware adapter too.
        out.kind = row.Type == IF_TYPE_SOFTWARE_LOOPBACK ? LinkKind::Loopback : LinkKind::Plain;
        out.hasDevice = row.InterfaceAndOperStatusFlags.HardwareInterface != FALSE;
        rows.push_back(std::move(out));
    }
    return rows;
}

bool IfTable2Source::read(std::vector<InterfaceRow>& rows) {
    rows.clear();
    MIB_IF_TABLE2* table = nullptr;
    if (GetIfTable2(&table) != NO_ERROR || !table)
        return false;
    rows = interfaceRows(*table);
    FreeMibTable(table);
    return true;
}

} // namespace tarvo
