#pragma once

#include "traffic/if_table.h"
#include "traffic/kernel_file.h"
#include "traffic/link_facts_linux.h"
#include "traffic/route_changes_linux.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

// The kernel's per-interface counters from /proc/net/dev (64-bit), each interface described
// from /sys/class/net (kind, device, ifindex; a loopback interface as "Loopback <name>") and,
// where it matters, marked when a default route goes through it.
class ProcNetDevSource final : public InterfaceTableSource {
public:
    // Without route changes the route tables are read at every reading that needs them.
    explicit ProcNetDevSource(std::string procNet = "/proc/net",
                              std::string sysClassNet = "/sys/class/net", ReadAt readAt = {},
                              std::unique_ptr<RouteChanges> routeChanges = nullptr);

    bool read(std::vector<InterfaceRow>& rows) override;

    // How many times sysfs was read for an interface (for tests and the benchmark).
    int descriptions() const { return descriptions_; }

private:
    struct Known {
        std::string name;
        LinkFacts facts;
        unsigned long long in = 0;
        unsigned long long out = 0;
        bool encapsulated = false;
    };

    const Known* findKnown(const std::string& name, size_t hint) const;
    void markDefaultRoutes(std::vector<InterfaceRow>& rows);
    bool pppEncapsulated();

    std::string procNet_;
    std::string sysClassNet_;
    ReadAt readAt_;
    KernelFile procNetDev_;
    KernelFile route_;
    KernelFile ipv6Route_;
    std::string text_;
    // The facts of the last reading, in its table order: an unchanged table finds each
    // interface at its own index without touching sysfs.
    std::vector<Known> known_;
    std::vector<Known> next_;
    int descriptions_ = 0;
    std::unique_ptr<RouteChanges> routeChanges_;
    std::vector<std::string> defaultRouteNames_;
};

// Parses the text of /proc/net/dev into names and counters; header and malformed lines,
// and names no interface can have, are left out. The description of each row is its name.
void parseProcNetDev(std::string_view text, std::vector<InterfaceRow>& rows);

// The flags word of an interface's sysfs flags text ("0x1003\n"), or -1 when malformed.
long parseInterfaceFlags(const std::string& text);

// Whether a name can stand for an interface directory of /sys/class/net.
bool isInterfaceName(std::string_view name);

} // namespace tarvo
