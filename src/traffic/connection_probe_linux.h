#pragma once

#include "common/connection_probe.h"

#include "traffic/kernel_file.h"
#include "traffic/route_changes_linux.h"

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarvo {

// Connected when an IPv4 or IPv6 default route goes through an interface that is up and
// not loopback. Given the kernel's announcements of route and link changes, the answer is
// worked out again only after one; without them, at every question.
class RouteConnectionProbe final : public ConnectionProbe {
public:
    explicit RouteConnectionProbe(std::string procNet = "/proc/net",
                                  std::string sysClassNet = "/sys/class/net",
                                  std::unique_ptr<RouteChanges> changes = nullptr);
    bool isConnected() override;

private:
    bool interfaceUsable(const std::string& name);
    // A default route in the table that the parser reads, through an interface fit to carry it.
    bool hasDefault(KernelFile& table, std::vector<std::string> (*defaults)(std::string_view));

    struct Link {
        KernelFile flags;
        KernelFile operstate;
    };

    std::string sysClassNet_;
    KernelFile route_;
    KernelFile ipv6Route_;
    std::unordered_map<std::string, Link> links_;
    std::string text_;
    std::unique_ptr<RouteChanges> changes_;
    bool connected_ = false;
};

} // namespace tarvo
