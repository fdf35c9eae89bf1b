#include "traffic/platform.h"

#include "traffic/connection_probe_win.h"
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

std::unique_ptr<InterfaceTableSource> makeInterfaceTableSource() {
    return std::make_unique<IfTable2Source>();
}

std::unique_ptr<ConnectionProbe> makeConnectionProbe() {
    return std::make_unique<WinInetConnectionProbe>();
}

std::string bootIdentity() {
    // The moment the computer started: now less the time since the start, to the
    // minute, which the clock's small corrections do not move.
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const ULONGLONG now100ns = (ULONGLONG(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    const ULONGLONG bootMinutes = (now100ns / 10000 - GetTickCount64()) / 60000;
    return "started-" + std::to_string(bootMinutes);
}

QDateTime bootTime() {
    return QDateTime::currentDateTime().addMSecs(-qint64(GetTickCount64()));
}

std::function<QString()> makeDefaultGateway() {
    return [] {
        PMIB_IPFORWARD_TABLE2 table = nullptr;
        if (GetIpForwardTable2(AF_INET, &table) != NO_ERROR || !table)
            return QString();
        QString best;
        ULONG bestMetric = 0;
        for (ULONG i = 0; i < table->NumEntries; ++i) {
            const MIB_IPFORWARD_ROW2& row = table->Table[i];
            const ULONG next = row.NextHop.Ipv4.sin_addr.S_un.S_addr;
            if (row.DestinationPrefix.PrefixLength != 0 || next == 0 ||
                (!best.isEmpty() && row.Metric >= bestMetric))
                continue;
            const auto* b = reinterpret_cast<const unsigned char*>(&next);
            best = QStringLiteral("%1.%2.%3.%4").arg(b[0]).arg(b[1]).arg(b[2]).arg(b[3]);
            bestMetric = row.Metric;
        }
        FreeMibTable(table);
        return best;
    };
}

} // namespace tarvo
