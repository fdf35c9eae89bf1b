#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarvo {

// What the platform tells about an interface, for deciding whether its bytes are the
// computer's own traffic or a copy of bytes that another interface carries too.
enum class LinkKind : std::uint8_t {
    Unclassified, // the platform told nothing: counted unless loopback
    Loopback,
    Plain,  // an Ethernet-like link: physical when it has a device, else a dummy or the like
    Bridge, // bridges: their bytes are their ports' bytes
    Bond,   // bond and team masters: their bytes are their ports' bytes
    Upper,  // VLAN, macvlan, ipvlan, macvtap: stacked on a lower link
    Tunnel, // tun, tap, WireGuard, vxlan, GRE, IPIP, SIT: their bytes cross an uplink again
    Veth,   // one end of a pair whose other end is a container's or another namespace's
    Ppp,    // a point-to-point link: a modem on a serial line, PPPoE, L2TP
};

// One row of the platform's interface table: the interface's own counters, counted since
// it came up, its description, which tells a loopback interface apart, and what kind of
// link it is.
struct InterfaceRow {
    std::string name;        // identifies the interface across readings
    std::string description; // begins "Loopback" for a loopback interface
    unsigned long long inOctets = 0;
    unsigned long long outOctets = 0;
    std::uint32_t ifindex = 0; // 0 when unknown; a new value means the link was made anew
    LinkKind kind = LinkKind::Unclassified;
    bool hasDevice = false;    // backed by hardware (Ethernet, Wi-Fi, USB tethering, modems)
    bool defaultRoute = false; // carries an IPv4 or IPv6 default route
    bool encapsulated = false; // a PPP link whose frames travel inside another link (PPPoE, L2TP)
};

class InterfaceTableSource {
public:
    virtual ~InterfaceTableSource() = default;
    // Replaces rows with the current table; false when the table cannot be read.
    virtual bool read(std::vector<InterfaceRow>& rows) = 0;
};

} // namespace tarvo
