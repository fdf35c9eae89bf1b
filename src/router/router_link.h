#pragma once

#include "router/http_exchange.h"
#include "router/router_description.h"
#include "router/router_discovery.h"
#include "router/router_source.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tarvo {

// Finds the home router and reads its counters, driven by the meter's one tick a second: no
// timer, no notifier, no thread of its own but the search's. Its sockets are non-blocking and
// asked at each tick with nothing waited for (connected at one tick, the request sent at the
// next, the answer read as it has come), so that reading the router adds no wake-up to the
// meter's. The setting "router" is "auto" (or empty: SSDP discovery, the device at the default
// gateway's address), "off" (nothing is ever sent), or the URL of a router's description.
class RouterLink final : public RouterSource {
public:
    static constexpr qint64 kReadEveryMs = 10 * 1000;
    static constexpr qint64 kLookAgainMs = 10 * 60 * 1000;
    static constexpr qint64 kSpeedEveryMs = 60 * 60 * 1000;
    static constexpr int kMaxDescriptions = 8;
    static constexpr int kFailedRounds = 3;

    RouterLink(const QString& setting, std::unique_ptr<RouterDiscovery> discovery,
               std::function<QString()> gateway);
    ~RouterLink() override;

    void tick(qint64 steadyMs) override;
    void endExchanges() override { round_.clear(); }
    // Looks for the router again at the next tick, as a change of the default gateway does.
    void lookAgain();

    // The time a reading is stamped with; the system's clock unless set.
    void setClock(std::function<QDateTime()> now) { now_ = std::move(now); }
    // Whether an address (IPv4, host order) is on one of this computer's own networks, for a
    // search with no gateway known; the interfaces' own addresses and masks unless set.
    void setLocalNetwork(std::function<bool(std::uint32_t)> isLocal) {
        isLocal_ = std::move(isLocal);
    }

    bool hasRouter() const { return router_.has_value(); }

private:
    enum class Mode { Off, Auto, Url };
    struct Describing {
        QUrl url;
        std::unique_ptr<HttpExchange> fetch;
    };
    enum class Asked { Received, Sent, Uptime, Speed };
    struct Ask {
        Asked what;
        QString action, argument;
        std::unique_ptr<HttpExchange> fetch;
    };
    struct Resolving;

    bool looking() const { return searching_ || resolving_ || !describing_.empty(); }
    void look(qint64 now);
    void pollLook(qint64 now);
    void chooseFrom(const SsdpResult& found, qint64 now);
    void describe(const QList<QUrl>& urls, qint64 now);
    void described();
    void startRound(qint64 now);
    void endRound(qint64 now);
    void fail(const QString& error, bool ofRouter, bool lost = false);
    std::optional<std::uint32_t> gatewayAddress() const;

    Mode mode_ = Mode::Auto;
    QUrl url_;
    std::unique_ptr<RouterDiscovery> discovery_;
    std::function<QString()> gateway_;
    std::function<QDateTime()> now_;
    std::function<bool(std::uint32_t)> isLocal_;

    bool searching_ = false;
    std::shared_ptr<Resolving> resolving_;
    std::vector<Describing> describing_;
    std::optional<RouterDescription> router_;
    std::vector<Ask> round_;
    std::optional<qint64> lastLook_, lastRead_, lastSpeed_, lastGatewayCheck_;
    QString gatewaySeen_;
    bool lookAgain_ = false;
    int failedRounds_ = 0;
    std::uint64_t lineSpeed_ = 0;
};

} // namespace tarvo
