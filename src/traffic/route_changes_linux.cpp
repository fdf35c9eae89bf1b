#include "traffic/route_changes_linux.h"

#include <cerrno>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tarvo {

NetlinkRouteChanges::NetlinkRouteChanges() {
    fd_ = ::socket(AF_NETLINK, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd_ < 0)
        return;
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups = RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

NetlinkRouteChanges::~NetlinkRouteChanges() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool NetlinkRouteChanges::changedSinceLastAsk() {
    bool changed = first_ || fd_ < 0;
    first_ = false;
    if (fd_ < 0)
        return true;
    // Only that something came matters, not what: drain it all.
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) {
            changed = true;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            changed = true; // ENOBUFS: announcements were lost
        return changed;
    }
}

} // namespace tarvo
