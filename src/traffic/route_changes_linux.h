#pragma once

#include <memory>

class QSocketNotifier;

namespace tarvo {

// Tells whether the routing tables (or, where asked for, the links) may have changed since
// the last question, so that they are read again only then instead of every second.
class RouteChanges {
public:
    virtual ~RouteChanges() = default;
    virtual bool changedSinceLastAsk() = 0;
};

// Listens to the kernel's announcements (rtnetlink: the IPv4 and IPv6 route groups, and the
// link group when links matter too: up, down, carrier). Says "changed" at the first question,
// whenever an announcement came, and always when the socket cannot be had or has lost
// announcements. Under a Qt event loop the socket is drained as announcements come, so that
// a question costs no system call; without one, each question drains it.
class NetlinkRouteChanges final : public RouteChanges {
public:
    enum class Watch { Routes, RoutesAndLinks };
    explicit NetlinkRouteChanges(Watch watch = Watch::Routes);
    ~NetlinkRouteChanges() override;
    NetlinkRouteChanges(const NetlinkRouteChanges&) = delete;
    NetlinkRouteChanges& operator=(const NetlinkRouteChanges&) = delete;

    bool changedSinceLastAsk() override;

private:
    // Reads all that is queued; true when anything came or announcements were lost.
    bool drain();

    int fd_ = -1;
    bool first_ = true;
    bool pending_ = false;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace tarvo
