#include "router/router_discovery.h"

#include <QObject>

#include <miniupnpc/miniupnpc.h>

#include <mutex>
#include <thread>

namespace tarvo {

namespace {

constexpr int kSearchMs = 2000;
constexpr int kMaxDescriptions = 32;

QList<QUrl> search() {
    int error = 0;
    UPNPDev* devices = upnpDiscover(kSearchMs, nullptr, nullptr, UPNP_LOCAL_PORT_ANY, 0, 2, &error);
    QList<QUrl> found;
    for (const UPNPDev* d = devices; d && found.size() < kMaxDescriptions; d = d->pNext) {
        const QUrl url(QString::fromLatin1(d->descURL).left(1024), QUrl::StrictMode);
        if (url.isValid() && url.scheme() == u"http" && !found.contains(url))
            found << url;
    }
    freeUPNPDevlist(devices);
    return found;
}

class SsdpDiscovery final : public RouterDiscovery {
public:
    SsdpDiscovery() : link_(std::make_shared<Link>()) { link_->owner = &owner_; }
    ~SsdpDiscovery() override {
        const std::lock_guard lock(link_->mutex);
        link_->owner = nullptr;
    }

    void discover(std::function<void(QList<QUrl>)> done) override {
        startSockets();
        // The search blocks for its whole time: on a thread of its own, which may outlive
        // this object (it then drops its answer).
        std::thread([link = link_, done = std::move(done)]() mutable {
            QList<QUrl> found = search();
            const std::lock_guard lock(link->mutex);
            if (link->owner)
                QMetaObject::invokeMethod(
                    link->owner, [done = std::move(done), found] { done(found); },
                    Qt::QueuedConnection);
        }).detach();
    }

private:
    struct Link {
        std::mutex mutex;
        QObject* owner = nullptr;
    };
    QObject owner_;
    std::shared_ptr<Link> link_;
};

} // namespace

std::unique_ptr<RouterDiscovery> makeSsdpDiscovery() {
    return std::make_unique<SsdpDiscovery>();
}

} // namespace tarvo
