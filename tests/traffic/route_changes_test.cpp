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
#include <thread>

#include <gtest/gtest.h>

using namespace tarvo;

namespace {

// A network namespace of the test's own, left again at once: sockets made in it stay in it,
// and the host's links are never touched.
class OwnNamespace {
public:
    OwnNamespace() {
        const int home = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        if (home < 0 || ::unshare(CLONE_NEWNET) != 0) {
            if (home >= 0)
                ::close(home);
            return;
        }
        ns_ = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        home_ = home;
    }
    ~OwnNamespace() {
        leave();
        if (ns_ >= 0)
            ::close(ns_);
    }
    bool entered() const { return ns_ >= 0; }
    void leave() {
        if (home_ >= 0) {
            ::setns(home_, CLONE_NEWNET);
            ::close(home_);
            home_ = -1;
        }
    }
    // Brings the namespace's loopback up from a thread of its own, which announces the link
    // and its routes.
    void loopbackUp() const {
        std::thread([ns = ns_] {
            if (::setns(ns, CLONE_NEWNET) != 0)
                return;
            const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
            ifreq request{};
            std::strcpy(request.ifr_name, "lo");
            if (s >= 0 && ::ioctl(s, SIOCGIFFLAGS, &request) == 0) {
                request.ifr_flags |= IFF_UP;
                ::ioctl(s, SIOCSIFFLAGS, &request);
            }
            if (s >= 0)
                ::close(s);
        }).join();
    }

private:
    int home_ = -1;
    int ns_ = -1;
};

} // namespace

TEST(NetlinkRouteChanges, AnnouncementsReachTheNextQuestionWithAndWithoutAnEventLoop) {
    OwnNamespace ns;
    if (!ns.entered())
        GTEST_SKIP() << "no network namespace of our own here (needs root)";
    ASSERT_NE(QCoreApplication::instance(), nullptr);
    // Made while the event loop's dispatcher is there: drained by it.
    NetlinkRouteChanges looped(NetlinkRouteChanges::Watch::RoutesAndLinks);
    ns.leave();
    EXPECT_TRUE(looped.changedSinceLastAsk()); // the first question always
    QCoreApplication::processEvents();
    EXPECT_FALSE(looped.changedSinceLastAsk());

    ns.loopbackUp();
    bool announced = false;
    // A bound for a loaded machine, not a speed check.
    for (QDeadlineTimer deadline(10000); !announced && !deadline.hasExpired();) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        announced = looped.changedSinceLastAsk();
    }
    EXPECT_TRUE(announced);
    QCoreApplication::processEvents();
    EXPECT_FALSE(looped.changedSinceLastAsk());
}
