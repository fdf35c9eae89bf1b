#include "traffic/platform.h"

#include "traffic/connection_probe_linux.h"
#include "traffic/if_table_linux.h"

namespace tarvo {

std::unique_ptr<InterfaceTableSource> makeInterfaceTableSource() {
    return std::make_unique<ProcNetDevSource>("/proc/net", "/sys/class/net", ReadAt{},
                                              std::make_unique<NetlinkRouteChanges>());
}

std::unique_ptr<ConnectionProbe> makeConnectionProbe() {
    return std::make_unique<RouteConnectionProbe>();
}

std::string bootIdentity() {
    std::string text;
    if (!KernelFile("/proc/sys/kernel/random/boot_id", 256).read(text))
        return {};
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

} // namespace tarvo
