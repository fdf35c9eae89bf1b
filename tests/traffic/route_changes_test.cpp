#include "traffic/route_changes_linux.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

using namespace tarvo;

// The listener is made in a network namespace of the test's own, left again at once (its
// socket stays there), so that bringing that namespace's loopback up touches no host link.
TEST(NetlinkRouteChanges, AnAnnouncementReachesTheNextQuestionThroughTheEventLoop) {
    const int home = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    if (home < 0 || ::unshare(CLONE_NEWNET) != 0)
        GTEST_SKIP() << "no network namespace of our own here (needs root)";
    const int own = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    auto changes =
        std::make_unique<NetlinkRouteChanges>(NetlinkRouteChanges::Watch::RoutesAndLinks);
    ASSERT_EQ(::setns(home, CLONE_NEWNET), 0);
    EXPECT_TRUE(changes->changedSinceLastAsk()); // the first question always
    QCoreApplication::processEvents();
    EXPECT_FALSE(changes->changedSinceLastAsk());

    std::thread([own] {
        ifreq request{};
        std::strcpy(request.ifr_name, "lo");
        const int s = ::setns(own, CLONE_NEWNET) == 0 ? ::socket(AF_INET, SOCK_DGRAM, 0) : -1;
        if (s >= 0 && ::ioctl(s, SIOCGIFFLAGS, &request) == 0) {
            request.ifr_flags |= IFF_UP;
            ::ioctl(s, SIOCSIFFLAGS, &request);
        }
    }).join();
    bool announced = false;
    // A bound for a loaded machine, not a speed check.
    for (QDeadlineTimer bound(10000); !announced && !bound.hasExpired();) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        announced = changes->changedSinceLastAsk();
    }
    EXPECT_TRUE(announced);
    EXPECT_FALSE(changes->changedSinceLastAsk());
    ::close(home);
    ::close(own);
}
