#include "traffic/link_facts_linux.h"

#include "traffic/if_table_linux.h"

#include <charconv>
#include <dirent.h>
#include <string_view>
#include <sys/stat.h>

namespace tarvo {

namespace {

constexpr long kIffLoopback = 0x8;
constexpr long kArphrdPpp = 512;
constexpr long kArphrdLoopback = 772;

bool isTunnelType(long type) {
    switch (type) {
    case 768:   // IPIP, VTI
    case 769:   // IPv6 in IPv6
    case 776:   // SIT
    case 778:   // GRE
    case 823:   // IPv6 GRE
    case 65534: // no hardware header: tun, WireGuard
        return true;
    default:
        return false;
    }
}

bool isTunnelDevtype(std::string_view t) {
    return t == "vxlan" || t == "wireguard" || t == "geneve" || t == "gretap" || t == "ip6gretap" ||
           t == "erspan" || t == "ip6erspan" || t == "bareudp" || t == "gtp";
}

bool isUpperDevtype(std::string_view t) {
    return t == "vlan" || t == "macvlan" || t == "macvtap" || t == "ipvlan" || t == "ipvtap";
}

bool exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

long readNumber(const std::string& path, const ReadAt& readAt, int base = 10) {
    std::string text;
    if (!KernelFile(path, 64, readAt).read(text))
        return -1;
    if (base == 0)
        return parseInterfaceFlags(text);
    long value = -1;
    const char* begin = text.data();
    const auto res = std::from_chars(begin, begin + text.size(), value, base);
    return res.ec == std::errc() ? value : -1;
}

std::string devtypeOf(const std::string& ueventPath, const ReadAt& readAt) {
    std::string text;
    if (!KernelFile(ueventPath, 4096, readAt).read(text))
        return {};
    std::string_view rest(text);
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        if (line.substr(0, 8) == "DEVTYPE=")
            return std::string(line.substr(8));
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    return {};
}

bool hasLowerLinks(const std::string& dir) {
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return false;
    bool found = false;
    while (dirent* e = ::readdir(d)) {
        if (std::string_view(e->d_name).substr(0, 6) == "lower_") {
            found = true;
            break;
        }
    }
    ::closedir(d);
    return found;
}

} // namespace

LinkKind classifyLink(const SysfsEntries& e) {
    if ((e.flags >= 0 && (e.flags & kIffLoopback)) || e.type == kArphrdLoopback)
        return LinkKind::Loopback;
    if (e.bridgeDir || e.devtype == "bridge")
        return LinkKind::Bridge;
    if (e.bondingDir || e.devtype == "bond" || e.devtype == "team")
        return LinkKind::Bond;
    if (e.type == kArphrdPpp || e.devtype == "ppp")
        return LinkKind::Ppp;
    // A modem in raw-IP mode has no hardware header either, but has a device.
    if (e.tunFlags || isTunnelDevtype(e.devtype) || (!e.device && isTunnelType(e.type)))
        return LinkKind::Tunnel;
    if (e.lower || isUpperDevtype(e.devtype))
        return LinkKind::Upper;
    if (e.device)
        return LinkKind::Plain;
    // A veth's link is its peer; a plain virtual link's is itself.
    if (e.ifindex > 0 && e.iflink > 0 && e.ifindex != e.iflink)
        return LinkKind::Veth;
    return LinkKind::Plain;
}

LinkFacts describeLink(const std::string& sysClassNet, const std::string& name,
                       const ReadAt& readAt) {
    LinkFacts facts;
    if (!isInterfaceName(name))
        return facts;
    if (!exists(sysClassNet)) {
        // Without sysfs only the conventional name tells loopback apart.
        if (name == "lo")
            facts.kind = LinkKind::Loopback;
        return facts;
    }
    const std::string dir = sysClassNet + "/" + name;
    facts.kind = LinkKind::Plain;
    if (!exists(dir))
        return facts; // gone again, or sysfs of another namespace: asked again next time
    SysfsEntries e;
    e.flags = readNumber(dir + "/flags", readAt, 0);
    e.type = readNumber(dir + "/type", readAt);
    e.ifindex = readNumber(dir + "/ifindex", readAt);
    e.iflink = readNumber(dir + "/iflink", readAt);
    e.devtype = devtypeOf(dir + "/uevent", readAt);
    e.bridgeDir = exists(dir + "/bridge");
    e.bondingDir = exists(dir + "/bonding");
    e.tunFlags = exists(dir + "/tun_flags");
    e.device = exists(dir + "/device");
    e.lower = hasLowerLinks(dir);
    facts.kind = classifyLink(e);
    facts.hasDevice = e.device;
    facts.ifindex = e.ifindex > 0 ? std::uint32_t(e.ifindex) : 0;
    facts.known = true;
    return facts;
}

} // namespace tarvo
