#pragma once

#include "traffic/if_table.h"
#include "traffic/kernel_file.h"

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tarvo {

// The kernel's per-interface counters from /proc/net/dev (64-bit); an interface whose
// flags in /sys/class/net carry IFF_LOOPBACK is described as "Loopback <name>".
class ProcNetDevSource final : public InterfaceTableSource {
public:
    explicit ProcNetDevSource(std::string procNetDev = "/proc/net/dev",
                              std::string sysClassNet = "/sys/class/net");

    bool read(std::vector<InterfaceRow>& rows) override;

private:
    bool isLoopback(const std::string& name);

    KernelFile procNetDev_;
    std::string sysClassNet_;
    std::string text_;
    // An interface's loopback flag does not change while it exists; asked once per name.
    std::unordered_map<std::string, bool> loopback_;
};

// Parses the text of /proc/net/dev; header and malformed lines are left out.
void parseProcNetDev(std::string_view text, std::vector<InterfaceRow>& rows,
                     const std::function<bool(const std::string&)>& isLoopback);

// The flags word of an interface's sysfs flags text ("0x1003\n"), or -1 when malformed.
long parseInterfaceFlags(const std::string& text);

// Whether a name can stand for an interface directory of /sys/class/net.
bool isInterfaceName(const std::string& name);

} // namespace tarvo
