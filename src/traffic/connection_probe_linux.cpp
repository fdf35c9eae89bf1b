#include "traffic/connection_probe_linux.h"

#include "traffic/if_table_linux.h"

#include <sstream>
#include <vector>

namespace tarvo {

namespace {
constexpr long kIffUp = 0x1;
constexpr long kIffLoopback = 0x8;
constexpr unsigned long kRtfUp = 0x1;
constexpr unsigned long kRtfReject = 0x200;

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    std::string w;
    while (in >> w)
        out.push_back(w);
    return out;
}

bool parseHex(const std::string& text, unsigned long& value) {
    try {
        size_t used = 0;
        value = std::stoul(text, &used, 16);
        return used == text.size();
    } catch (...) {
        return false;
    }
}
} // namespace

RouteConnectionProbe::RouteConnectionProbe(std::string procNet, std::string sysClassNet)
    : sysClassNet_(std::move(sysClassNet)), route_(procNet + "/route"),
      ipv6Route_(procNet + "/ipv6_route") {}

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

bool RouteConnectionProbe::hasIpv4Default() {
    if (!route_.read(text_))
        return false;
    std::istringstream in(text_);
    std::string line;
    std::getline(in, line); // header
    while (std::getline(in, line)) {
        const auto w = words(line);
        // Iface Destination Gateway Flags RefCnt Use Metric Mask ...
        if (w.size() < 8)
            continue;
        unsigned long dest = 1, flags = 0, mask = 1;
        if (!parseHex(w[1], dest) || !parseHex(w[3], flags) || !parseHex(w[7], mask))
            continue;
        if (dest == 0 && mask == 0 && (flags & kRtfUp) && !(flags & kRtfReject) &&
            interfaceUsable(w[0]))
            return true;
    }
    return false;
}

bool RouteConnectionProbe::hasIpv6Default() {
    if (!ipv6Route_.read(text_))
        return false;
    std::istringstream in(text_);
    std::string line;
    while (std::getline(in, line)) {
        const auto w = words(line);
        // dest plen src plen nexthop metric refcnt use flags device
        if (w.size() < 10)
            continue;
        unsigned long flags = 0;
        if (w[0] != std::string(32, '0') || w[1] != "00" || !parseHex(w[8], flags))
            continue;
        if ((flags & kRtfUp) && !(flags & kRtfReject) && interfaceUsable(w[9]))
            return true;
    }
    return false;
}

bool RouteConnectionProbe::isConnected() {
    return hasIpv4Default() || hasIpv6Default();
}

} // namespace tarvo
