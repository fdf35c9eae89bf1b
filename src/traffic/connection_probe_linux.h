#pragma once

#include "common/connection_probe.h"

#include <string>

namespace tarvo {

// Connected when an IPv4 or IPv6 default route goes through an interface that is up and
// not loopback.
class RouteConnectionProbe final : public ConnectionProbe {
public:
    explicit RouteConnectionProbe(std::string procNet = "/proc/net",
                                  std::string sysClassNet = "/sys/class/net");
    bool isConnected() override;

private:
    bool interfaceUsable(const std::string& name) const;
    bool hasIpv4Default() const;
    bool hasIpv6Default() const;

    std::string procNet_;
    std::string sysClassNet_;
};

} // namespace tarvo
