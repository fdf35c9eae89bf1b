#include "traffic/connection_probe_linux.h"

#include "traffic/if_table_linux.h"
#include "traffic/route_table_linux.h"

namespace tarvo {

namespace {
constexpr long kIffUp = 0x1;
constexpr long kIffLoopback = 0x8;
} // namespace

RouteConnectionProbe::RouteConnectionProbe(std::string procNet, std::string sysClassNet,
                                           std::unique_ptr<RouteChanges> changes)
    : sysClassNet_(std::move(sysClassNet)), route_(procNet + "/route"),
      ipv6Route_(procNet + "/ipv6_route"), changes_(std::move(changes)) {}

bool RouteConnectionProbe::interfaceUsable(const std::string& name) {
    if (!isInterfaceName(name))
        return false;
    auto link = links_.find(name);
    if (link == links_.end()) {
        const std::string dir = sysClassNet_ + "/" + name;
        link = links_
                   .emplace(name, Link{KernelFile(dir + "/flags", 64),
                                       KernelFile(dir + "/operstate", 64)})
                   .first;
    }
    std::string text;
    if (!link->second.flags.read(text))
        return false;
    const long flags = parseInterfaceFlags(text);
    if (flags < 0 || !(flags & kIffUp) || (flags & kIffLoopback))
        return false;
    // A link without carrier keeps its routes but reaches nothing.
    std::string state;
    if (link->second.operstate.read(state)) {
        while (!state.empty() && (state.back() == '\n' || state.back() == ' '))
            state.pop_back();
        if (state == "down" || state == "lowerlayerdown" || state == "notpresent")
            return false;
    }
    return true;
}

bool RouteConnectionProbe::hasDefault(KernelFile& table,
                                      std::vector<std::string> (*defaults)(std::string_view)) {
    if (!table.read(text_))
        return false;
    for (const std::string& name : defaults(text_))
        if (interfaceUsable(name))
            return true;
    return false;
}

bool RouteConnectionProbe::isConnected() {
    if (changes_ && !changes_->changedSinceLastAsk())
        return connected_;
    connected_ = hasDefault(route_, ipv4DefaultRouteInterfaces) ||
                 hasDefault(ipv6Route_, ipv6DefaultRouteInterfaces);
    return connected_;
}

} // namespace tarvo
