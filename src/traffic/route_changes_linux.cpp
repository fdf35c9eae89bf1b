#include "traffic/route_changes_linux.h"

#include <QAbstractEventDispatcher>
#include <QSocketNotifier>

#include <cerrno>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tarvo {

NetlinkRouteChanges::NetlinkRouteChanges(Watch watch) {
    fd_ = ::socket(AF_NETLINK, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd_ < 0)
        return;
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups = RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE;
    if (watch == Watch::RoutesAndLinks)
        address.nl_groups |= RTMGRP_LINK;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd_);
        fd_ = -1;
        return;
    }
    if (QAbstractEventDispatcher::instance()) {
        notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                         [this] { pending_ = drain() || pending_; });
    }
}

NetlinkRouteChanges::~NetlinkRouteChanges() {
    notifier_.reset();
    if (fd_ >= 0)
        ::close(fd_);
}

bool NetlinkRouteChanges::drain() {
    // Only that something came matters, not what: read it all.
    bool changed = false;
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

bool NetlinkRouteChanges::changedSinceLastAsk() {
    if (fd_ < 0)
        return true;
    bool changed = first_ || pending_;
    first_ = pending_ = false;
    if (!notifier_)
        changed = drain() || changed;
    return changed;
}

} // namespace tarvo
