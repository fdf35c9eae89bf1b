#include "traffic/platform.h"

#include "traffic/connection_probe_linux.h"
#include "traffic/if_table_linux.h"
#include "traffic/kernel_file.h"
#include "traffic/route_changes_linux.h"
#include "traffic/route_table_linux.h"

#include <memory>

#include <time.h>

namespace tarvo {

std::unique_ptr<InterfaceTableSource> makeInterfaceTableSource() {
    return std::make_unique<ProcNetDevSource>("/proc/net", "/sys/class/net", ReadAt{},
                                              std::make_unique<NetlinkRouteChanges>());
}

std::unique_ptr<ConnectionProbe> makeConnectionProbe() {
    // Up, down and carrier come as link announcements; the routes as route ones.
    return std::make_unique<RouteConnectionProbe>(
        "/proc/net", "/sys/class/net",
        std::make_unique<NetlinkRouteChanges>(NetlinkRouteChanges::Watch::RoutesAndLinks));
}

std::function<QString()> makeDefaultGateway() {
    struct Watch {
        NetlinkRouteChanges changes{NetlinkRouteChanges::Watch::Routes};
        QString gateway;
    };
    auto watch = std::make_shared<Watch>();
    return [watch] {
        if (watch->changes.changedSinceLastAsk()) {
            std::string text;
            watch->gateway = KernelFile("/proc/net/route", 1 << 20).read(text)
                                 ? QString::fromStdString(ipv4DefaultGateway(text))
                                 : QString();
        }
        return watch->gateway;
    };
}

std::string bootIdentity() {
    std::string text;
    if (!KernelFile("/proc/sys/kernel/random/boot_id", 256).read(text))
        return {};
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

QDateTime bootTime() {
    // The kernel's own figure, so that a wall clock set since the start moves it along.
    timespec now{}, sinceBoot{};
    if (clock_gettime(CLOCK_REALTIME, &now) != 0 || clock_gettime(CLOCK_BOOTTIME, &sinceBoot) != 0)
        return {};
    return QDateTime::fromSecsSinceEpoch(qint64(now.tv_sec) - qint64(sinceBoot.tv_sec));
}

} // namespace tarvo
