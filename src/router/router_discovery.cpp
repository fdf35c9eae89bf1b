#include "router/router_discovery.h"

#include "router/sockets.h"

#include <QHostAddress>

#include <chrono>
#include <mutex>
#include <thread>

namespace tarvo {

namespace {

constexpr std::uint32_t kSsdpGroup = 0xEFFFFFFA; // 239.255.255.250
constexpr std::uint16_t kSsdpPort = 1900;
constexpr int kSearchMs = 3000;
constexpr int kAgainMs = 1000; // a second search, for a datagram lost
constexpr qsizetype kMaxLocation = 1024;

QByteArray search(const char* type) {
    return QByteArray("M-SEARCH * HTTP/1.1\r\nHOST: 239.255.255.250:1900\r\n"
                      "MAN: \"ssdp:discover\"\r\nMX: 2\r\nST: urn:schemas-upnp-org:device:") +
           type + "\r\n\r\n";
}

QByteArrayView trimmed(QByteArrayView v) {
    while (!v.isEmpty() && (v.front() == ' ' || v.front() == '\t'))
        v = v.sliced(1);
    while (!v.isEmpty() && (v.back() == ' ' || v.back() == '\t' || v.back() == '\r'))
        v.chop(1);
    return v;
}

} // namespace

std::optional<QUrl> ssdpLocation(QByteArrayView datagram, std::uint32_t from) {
    if (!datagram.startsWith("HTTP/1.1 200") && !datagram.startsWith("HTTP/1.0 200"))
        return std::nullopt;
    QByteArrayView location, type;
    qsizetype at = 0;
    while (at < datagram.size()) {
        qsizetype end = datagram.indexOf('\n', at);
        if (end < 0)
            end = datagram.size();
        const QByteArrayView line = datagram.sliced(at, end - at);
        at = end + 1;
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArrayView name = line.first(colon);
        if (name.compare("LOCATION", Qt::CaseInsensitive) == 0)
            location = trimmed(line.sliced(colon + 1));
        else if (name.compare("ST", Qt::CaseInsensitive) == 0)
            type = trimmed(line.sliced(colon + 1));
    }
    // What was asked for, or one of a gateway's own services.
    if (!type.contains("InternetGatewayDevice:") && !type.contains("WANIPConnection:") &&
        !type.contains("WANPPPConnection:") && !type.contains("WANCommonInterfaceConfig:"))
        return std::nullopt;
    if (location.isEmpty() || location.size() > kMaxLocation)
        return std::nullopt;
    const QUrl url(QString::fromLatin1(location), QUrl::StrictMode);
    bool ok = false;
    const std::uint32_t host = QHostAddress(url.host()).toIPv4Address(&ok);
    if (!url.isValid() || url.scheme() != u"http" || !ok || host != from ||
        !url.userInfo().isEmpty() || url.port(80) <= 0)
        return std::nullopt;
    return url;
}

void SsdpCollector::add(QByteArrayView datagram, std::uint32_t from) {
    const auto location = ssdpLocation(datagram, from);
    if (!location)
        return;
    if (!senders_.contains(from) && senders_.size() < 64)
        senders_ << from;
    const SsdpAnswer answer{from, *location};
    QList<SsdpAnswer>& kept = gateway_ && from == gateway_ ? atGateway_ : elsewhere_;
    const int max = &kept == &atGateway_ ? kMaxGatewayAnswers : kMaxAnswers;
    if (kept.size() < max && !kept.contains(answer))
        kept << answer;
}

SsdpResult SsdpCollector::result() const {
    return {atGateway_ + elsewhere_, int(senders_.size())};
}

namespace {

struct Shared {
    std::mutex mutex;
    std::optional<SsdpResult> result;
};

// The whole search, on its own thread: blocks for its 3 s and no longer.
void searchFor(std::uint32_t gateway, const std::shared_ptr<Shared>& shared) {
    using Clock = std::chrono::steady_clock;
    SsdpCollector collector(gateway);
    sockets::start();
    sockets::Socket socket(sockets::openUdp());
    const auto ask = [&] {
        for (const char* type : {"InternetGatewayDevice:1", "InternetGatewayDevice:2"}) {
            const QByteArray text = search(type);
            sockets::sendTo(socket.get(), kSsdpGroup, kSsdpPort, text);
            if (gateway)
                sockets::sendTo(socket.get(), gateway, kSsdpPort, text);
        }
    };
    if (socket.valid()) {
        const Clock::time_point start = Clock::now();
        const Clock::time_point end = start + std::chrono::milliseconds(kSearchMs);
        bool askedAgain = false;
        ask();
        char buffer[1536];
        for (Clock::time_point now = start; now < end; now = Clock::now()) {
            const Clock::time_point next =
                askedAgain ? end : start + std::chrono::milliseconds(kAgainMs);
            const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - now);
            if (sockets::waitReadable(socket.get(), int(std::max<qint64>(wait.count(), 0)) + 1)) {
                // Everything waiting, read at once: a flood is drained as fast as it comes.
                for (int i = 0; i < 4096; ++i) {
                    std::uint32_t from = 0;
                    const std::int64_t n =
                        sockets::receiveFrom(socket.get(), buffer, sizeof buffer, &from);
                    if (n < 0)
                        break;
                    collector.add(QByteArrayView(buffer, qsizetype(n)), from);
                }
            }
            if (!askedAgain && Clock::now() >= start + std::chrono::milliseconds(kAgainMs)) {
                askedAgain = true;
                ask();
            }
        }
    }
    const std::lock_guard lock(shared->mutex);
    shared->result = collector.result();
}

class SsdpDiscovery final : public RouterDiscovery {
public:
    void start(std::uint32_t gateway) override {
        shared_ = std::make_shared<Shared>();
        // It may outlive this object by the rest of its 3 s; its answer is then dropped.
        std::thread([gateway, shared = shared_] { searchFor(gateway, shared); }).detach();
    }
    std::optional<SsdpResult> poll() override {
        if (!shared_)
            return std::nullopt;
        const std::lock_guard lock(shared_->mutex);
        return shared_->result;
    }

private:
    std::shared_ptr<Shared> shared_;
};

} // namespace

std::unique_ptr<RouterDiscovery> makeSsdpDiscovery() {
    return std::make_unique<SsdpDiscovery>();
}

} // namespace tarvo
