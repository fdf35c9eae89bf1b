#pragma once

#include "traffic/if_table.h"
#include "traffic/kernel_file.h"

#include <cstdint>
#include <string>

namespace tarvo {

// What sysfs tells of one interface, read once per interface and kept while it exists.
struct LinkFacts {
    std::uint32_t ifindex = 0;
    LinkKind kind = LinkKind::Unclassified;
    bool hasDevice = false;
    bool known = false; // its sysfs directory was read; otherwise asked again next time
};

// Reads /sys/class/net/<name>: the loopback flag, ARP hardware type, uevent DEVTYPE, and
// the bridge/, bonding/, tun_flags, lower_* and device entries. A tree without the
// interface's directory gives an unknown Plain link, one without sysfs Unclassified.
LinkFacts describeLink(const std::string& sysClassNet, const std::string& name,
                       const ReadAt& readAt = {});

// The kind from what was read, in order: loopback, bridge, bond or team, PPP, tunnel,
// stacked link, plain with a device, veth, other plain. Pure, for the fixtures' sake.
struct SysfsEntries {
    long flags = -1;     // IFF_* word, -1 when unreadable
    long type = -1;      // ARPHRD_* number, -1 when unreadable
    std::string devtype; // DEVTYPE= of uevent
    long ifindex = -1;
    long iflink = -1;
    bool bridgeDir = false;
    bool bondingDir = false;
    bool tunFlags = false;
    bool lower = false; // lower_* links
    bool device = false;
};
LinkKind classifyLink(const SysfsEntries& entries);

} // namespace tarvo
