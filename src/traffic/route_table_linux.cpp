#include "traffic/route_table_linux.h"

#include "traffic/if_table_linux.h"

#include <charconv>

namespace tarvo {

namespace {

constexpr unsigned long kRtfUp = 0x1;
constexpr unsigned long kRtfReject = 0x200;

// Splits a line into at most max blank-separated words; returns how many there were.
size_t words(std::string_view line, std::string_view* out, size_t max) {
    size_t n = 0, i = 0;
    while (i < line.size() && n < max) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i == line.size())
            break;
        size_t end = i;
        while (end < line.size() && line[end] != ' ' && line[end] != '\t')
            ++end;
        out[n++] = line.substr(i, end - i);
        i = end;
    }
    return n;
}

bool parseHex(std::string_view text, unsigned long& value) {
    const auto res = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return !text.empty() && res.ec == std::errc() && res.ptr == text.data() + text.size();
}

template <typename Each> void eachLine(std::string_view text, Each each) {
    while (!text.empty()) {
        const size_t end = text.find('\n');
        each(text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
}

void addOnce(std::vector<std::string>& names, std::string_view name) {
    // A damaged line can put anything in the device column.
    if (!isInterfaceName(name))
        return;
    for (const std::string& n : names)
        if (n == name)
            return;
    names.emplace_back(name);
}

} // namespace

namespace {

constexpr unsigned long kRtfGateway = 0x2;

// Each IPv4 default route that is up and does not reject: its words (Iface Destination
// Gateway Flags RefCnt Use Metric Mask ...) and flags.
template <typename Each> void eachIpv4DefaultRoute(std::string_view routeText, Each each) {
    bool header = true;
    eachLine(routeText, [&](std::string_view line) {
        if (header) {
            header = false;
            return;
        }
        std::string_view w[8];
        if (words(line, w, 8) < 8)
            return;
        unsigned long dest = 1, flags = 0, mask = 1;
        if (!parseHex(w[1], dest) || !parseHex(w[3], flags) || !parseHex(w[7], mask))
            return;
        if (dest == 0 && mask == 0 && (flags & kRtfUp) && !(flags & kRtfReject))
            each(w, flags);
    });
}

} // namespace

std::vector<std::string> ipv4DefaultRouteInterfaces(std::string_view routeText) {
    std::vector<std::string> names;
    eachIpv4DefaultRoute(routeText,
                         [&](const std::string_view* w, unsigned long) { addOnce(names, w[0]); });
    return names;
}

std::string ipv4DefaultGateway(std::string_view routeText) {
    std::string best;
    unsigned long bestMetric = 0;
    eachIpv4DefaultRoute(routeText, [&](const std::string_view* w, unsigned long flags) {
        unsigned long gateway = 0, metric = 0;
        const auto m = std::from_chars(w[6].data(), w[6].data() + w[6].size(), metric);
        if (!(flags & kRtfGateway) || !parseHex(w[2], gateway) || gateway == 0 ||
            gateway > 0xffffffffUL || m.ec != std::errc() || (!best.empty() && metric >= bestMetric))
            return;
        // The kernel prints the address in the machine's byte order: low byte first here.
        best = std::to_string(gateway & 0xff) + '.' + std::to_string((gateway >> 8) & 0xff) + '.' +
               std::to_string((gateway >> 16) & 0xff) + '.' + std::to_string(gateway >> 24);
        bestMetric = metric;
    });
    return best;
}

std::vector<std::string> ipv6DefaultRouteInterfaces(std::string_view ipv6RouteText) {
    std::vector<std::string> names;
    eachLine(ipv6RouteText, [&](std::string_view line) {
        // dest plen src plen nexthop metric refcnt use flags device
        std::string_view w[10];
        if (words(line, w, 10) < 10)
            return;
        unsigned long flags = 0;
        if (w[0] != "00000000000000000000000000000000" || w[1] != "00" || !parseHex(w[8], flags))
            return;
        if ((flags & kRtfUp) && !(flags & kRtfReject))
            addOnce(names, w[9]);
    });
    return names;
}

} // namespace tarvo
