#pragma once

namespace tarvo {

// Tells whether the routing tables may have changed since the last question, so that the
// route tables are read again only then instead of every second.
class RouteChanges {
public:
    virtual ~RouteChanges() = default;
    virtual bool changedSinceLastAsk() = 0;
};

// Listens to the kernel's route announcements (rtnetlink, IPv4 and IPv6 route groups).
// Says "changed" at the first question, whenever an announcement came, and always when
// the socket cannot be had or has lost announcements.
class NetlinkRouteChanges final : public RouteChanges {
public:
    NetlinkRouteChanges();
    ~NetlinkRouteChanges() override;
    NetlinkRouteChanges(const NetlinkRouteChanges&) = delete;
    NetlinkRouteChanges& operator=(const NetlinkRouteChanges&) = delete;

    bool changedSinceLastAsk() override;

private:
    int fd_ = -1;
    bool first_ = true;
};

} // namespace tarvo
