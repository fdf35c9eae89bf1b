#pragma once

#include "router/router_description.h"
#include "router/router_discovery.h"
#include "router/router_source.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class QNetworkAccessManager;

namespace tarvo {

// Finds the home router and reads its counters, driven by the meter's one tick a second: no
// timer of its own, nothing that blocks. The setting "router" is "auto" (or empty: SSDP
// discovery, the device at the default gateway's address), "off" (nothing is ever sent), or
// the URL of a router's description.
class RouterLink final : public QObject, public RouterSource {
public:
    static constexpr qint64 kReadEveryMs = 10 * 1000;
    static constexpr qint64 kLookAgainMs = 10 * 60 * 1000;
    static constexpr qint64 kSpeedEveryMs = 60 * 60 * 1000;
    static constexpr int kMaxDescriptions = 8;
    static constexpr int kFailedRounds = 3;

    RouterLink(const QString& setting, std::unique_ptr<RouterDiscovery> discovery,
               std::function<QString()> gateway, QObject* parent = nullptr);
    ~RouterLink() override;

    void tick(qint64 steadyMs) override;
    void networkChanged() override;

    // The time a reading is stamped with; the system's clock unless set.
    void setClock(std::function<QDateTime()> now) { now_ = std::move(now); }

    bool isOff() const { return mode_ == Mode::Off; }
    bool hasRouter() const { return router_.has_value(); }
    const std::optional<RouterDescription>& router() const { return router_; }
    // Why the last look or reading failed, for the log; empty after a success.
    const QString& lastError() const { return lastError_; }

private:
    enum class Mode { Off, Auto, Url };
    enum class Phase { Idle, Looking, Ready };

    void look(qint64 now);
    void describe(QList<QUrl> candidates);
    void readRound(qint64 now);
    void post(const RouterService& service, const QString& action,
              std::function<void(std::optional<QByteArray>)> done);
    QNetworkAccessManager& manager();

    Mode mode_ = Mode::Auto;
    QUrl url_;
    std::unique_ptr<RouterDiscovery> discovery_;
    std::function<QString()> gateway_;
    std::function<QDateTime()> now_;
    std::unique_ptr<QNetworkAccessManager> manager_;

    Phase phase_ = Phase::Idle;
    std::optional<RouterDescription> router_;
    std::optional<qint64> lastLook_, lastRead_, lastSpeed_, lastGatewayCheck_;
    QString gatewaySeen_;
    bool lookAgain_ = false;
    bool reading_ = false;
    int failedRounds_ = 0;
    std::uint64_t lineSpeed_ = 0;
    QString lastError_;
};

} // namespace tarvo
