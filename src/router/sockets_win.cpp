#include "router/router_discovery.h"

// clang-format off
#include <winsock2.h>
// clang-format on

namespace tarvo {

void startSockets() {
    // Without it every socket of the discovery fails (WSANOTINITIALISED); once is enough.
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}

} // namespace tarvo
