#include "traffic/connection_probe_win.h"

// clang-format off
#include <windows.h>
#include <wininet.h>
// clang-format on

namespace tarvo {

bool WinInetConnectionProbe::isConnected() {
    DWORD flags = 0; // not looked at
    return InternetGetConnectedState(&flags, 0) != FALSE;
}

} // namespace tarvo
