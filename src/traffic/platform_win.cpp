#include "traffic/platform.h"

#include "traffic/connection_probe_win.h"
#include "traffic/if_table_win.h"

#include <windows.h>

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

} // namespace tarvo
