#include "router/router_link.h"

#include "router/bounded_fetch.h"
#include "router/router_soap.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>

namespace tarvo {

RouterLink::RouterLink(const QString& setting, std::unique_ptr<RouterDiscovery> discovery,
                       std::function<QString()> gateway, QObject* parent)
    : QObject(parent), discovery_(std::move(discovery)), gateway_(std::move(gateway)),
      now_([] { return QDateTime::currentDateTimeUtc(); }) {
    const QString s = setting.trimmed();
    if (s.compare(u"off", Qt::CaseInsensitive) == 0) {
        mode_ = Mode::Off;
    } else if (!s.isEmpty() && s.compare(u"auto", Qt::CaseInsensitive) != 0) {
        url_ = QUrl(s, QUrl::StrictMode);
        // A setting that is no http address reads nothing rather than anything else.
        mode_ = url_.isValid() && url_.scheme() == u"http" ? Mode::Url : Mode::Off;
    }
}

RouterLink::~RouterLink() = default;

QNetworkAccessManager& RouterLink::manager() {
    if (!manager_) {
        manager_ = std::make_unique<QNetworkAccessManager>();
        // The router is on the LAN: no proxy stands between.
        manager_->setProxy(QNetworkProxy::NoProxy);
    }
    return *manager_;
}

void RouterLink::networkChanged() {
    lookAgain_ = true;
}

void RouterLink::tick(qint64 now) {
    if (mode_ == Mode::Off)
        return;
    // Another default gateway is another network, and maybe another router.
    if (mode_ == Mode::Auto && gateway_ &&
        (!lastGatewayCheck_ || now - *lastGatewayCheck_ >= kReadEveryMs)) {
        lastGatewayCheck_ = now;
        const QString gateway = gateway_();
        if (gateway != gatewaySeen_ && lastLook_)
            lookAgain_ = true;
        gatewaySeen_ = gateway;
    }
    if (phase_ == Phase::Looking)
        return;
    const bool due = !lastLook_ || now - *lastLook_ >= kLookAgainMs;
    if (lookAgain_ || (phase_ == Phase::Idle && due)) {
        lookAgain_ = false;
        look(now);
        return;
    }
    if (phase_ == Phase::Ready && !reading_ && (!lastRead_ || now - *lastRead_ >= kReadEveryMs))
        readRound(now);
}

void RouterLink::look(qint64 now) {
    lastLook_ = now;
    phase_ = Phase::Looking;
    if (mode_ == Mode::Url) {
        describe({url_});
        return;
    }
    discovery_->discover([this](QList<QUrl> found) {
        // The router is the device at the default gateway's address: a phone or another
        // device that answers too is not.
        const QString gateway = gateway_ ? gateway_() : QString();
        QList<QUrl> candidates;
        for (const QUrl& url : found)
            if ((gateway.isEmpty() || url.host() == gateway) &&
                candidates.size() < kMaxDescriptions)
                candidates << url;
        if (candidates.isEmpty())
            lastError_ = found.isEmpty() ? QStringLiteral("no router answered")
                                         : QStringLiteral("no router at the gateway's address");
        describe(candidates);
    });
}

void RouterLink::describe(QList<QUrl> candidates) {
    if (candidates.isEmpty()) {
        router_.reset();
        phase_ = Phase::Idle;
        return;
    }
    const QUrl url = candidates.takeFirst();
    boundedFetch(manager(), url, nullptr, {}, this,
                 [this, url, candidates](std::optional<QByteArray> body, const QString& error) {
                     QString why = error;
                     std::optional<RouterDescription> found;
                     if (body)
                         found = parseRouterDescription(*body, url, &why);
                     if (!found) {
                         lastError_ = url.toString() + QStringLiteral(": ") + why;
                         describe(candidates);
                         return;
                     }
                     if (!router_ || router_->udn != found->udn)
                         lineSpeed_ = 0;
                     router_ = found;
                     phase_ = Phase::Ready;
                     failedRounds_ = 0;
                     lastRead_.reset();
                     lastSpeed_.reset();
                     lastError_.clear();
                 });
}

void RouterLink::post(const RouterService& service, const QString& action,
                      std::function<void(std::optional<QByteArray>)> done) {
    const QByteArray body = soapEnvelope(service.type, action);
    boundedFetch(manager(), service.control, &body,
                 {{"Content-Type", "text/xml; charset=\"utf-8\""},
                  {"SOAPAction", soapActionHeader(service.type, action)}},
                 this, [done = std::move(done)](std::optional<QByteArray> answer, const QString&) {
                     done(std::move(answer));
                 });
}

void RouterLink::readRound(qint64 now) {
    reading_ = true;
    lastRead_ = now;
    // Sent at once, so that their answers come together: one wake-up, not four.
    struct Round {
        std::optional<std::uint64_t> received, sent;
        qint64 uptime = -1;
        int waiting = 0;
    };
    auto round = std::make_shared<Round>();
    const RouterDescription router = *router_;
    const auto finish = [this, round, router] {
        if (--round->waiting > 0)
            return;
        reading_ = false;
        if (!router_ || router_->udn != router.udn)
            return;
        if (!round->received || !round->sent) {
            lastError_ = QStringLiteral("the router's counters did not answer");
            // Asked again, or found anew, but no sooner than the look's own pace.
            if (++failedRounds_ >= kFailedRounds) {
                router_.reset();
                phase_ = Phase::Idle;
            }
            return;
        }
        failedRounds_ = 0;
        lastError_.clear();
        RouterReading reading;
        reading.udn = router.udn;
        reading.name = router.name;
        reading.received = *round->received;
        reading.sent = *round->sent;
        reading.uptime = round->uptime;
        reading.lineSpeed = lineSpeed_;
        reading.time = now_();
        if (onReading)
            onReading(reading);
    };
    const auto counter = [&](const QString& action, const QString& argument,
                             std::optional<std::uint64_t> Round::*into) {
        ++round->waiting;
        post(router.counters, action,
             [round, action, argument, into, finish](std::optional<QByteArray> answer) {
                 if (answer)
                     if (const auto text = soapValue(*answer, action, argument))
                         (*round).*into = counterValue(*text);
                 finish();
             });
    };
    counter(QStringLiteral("GetTotalBytesReceived"), QStringLiteral("NewTotalBytesReceived"),
            &Round::received);
    counter(QStringLiteral("GetTotalBytesSent"), QStringLiteral("NewTotalBytesSent"), &Round::sent);
    if (router.connection) {
        ++round->waiting;
        post(*router.connection, QStringLiteral("GetStatusInfo"),
             [round, finish](std::optional<QByteArray> answer) {
                 if (answer)
                     if (const auto text = soapValue(*answer, QStringLiteral("GetStatusInfo"),
                                                     QStringLiteral("NewUptime")))
                         round->uptime = countValue(*text).value_or(-1);
                 finish();
             });
    }
    if (!lastSpeed_ || now - *lastSpeed_ >= kSpeedEveryMs) {
        lastSpeed_ = now;
        ++round->waiting;
        post(router.counters, QStringLiteral("GetCommonLinkProperties"),
             [this, round, finish](std::optional<QByteArray> answer) {
                 if (answer)
                     if (const auto text =
                             soapValue(*answer, QStringLiteral("GetCommonLinkProperties"),
                                       QStringLiteral("NewLayer1DownstreamMaxBitRate")))
                         lineSpeed_ = std::uint64_t(countValue(*text).value_or(0));
                 finish();
             });
    }
}

} // namespace tarvo
