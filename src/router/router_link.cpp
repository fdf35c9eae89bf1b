#include "router/router_link.h"

#include "router/router_soap.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>

#include <algorithm>
#include <mutex>
#include <thread>

namespace tarvo {

namespace {

bool isLoopback(std::uint32_t address) {
    return (address >> 24) == 127;
}

bool onOwnNetwork(std::uint32_t address) {
    for (const QNetworkInterface& i : QNetworkInterface::allInterfaces()) {
        if (!i.flags().testFlag(QNetworkInterface::IsUp) ||
            i.flags().testFlag(QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& e : i.addressEntries()) {
            bool ok = false;
            const std::uint32_t own = e.ip().toIPv4Address(&ok);
            const int prefix = e.prefixLength();
            if (!ok || prefix <= 0 || prefix > 32)
                continue;
            const std::uint32_t mask = prefix == 32 ? ~0u : ~(~0u >> prefix);
            if (((own ^ address) & mask) == 0)
                return true;
        }
    }
    return false;
}

std::optional<std::uint32_t> ipv4(const QString& host) {
    bool ok = false;
    const std::uint32_t a = QHostAddress(host).toIPv4Address(&ok);
    return ok ? std::optional(a) : std::nullopt;
}

// Where a URL's device is, for the texts: its address and port, never its path.
QString deviceOf(const QUrl& url) {
    return url.host() + u':' + QString::number(url.port(80));
}

} // namespace

// A host name in the setting looked up on a thread, which may outlive the link.
struct RouterLink::Resolving {
    std::mutex mutex;
    bool done = false;
    QUrl url; // with the address for the name; empty where there is none
};

RouterLink::RouterLink(const QString& setting, std::unique_ptr<RouterDiscovery> discovery,
                       std::function<QString()> gateway)
    : discovery_(std::move(discovery)), gateway_(std::move(gateway)),
      now_([] { return QDateTime::currentDateTimeUtc(); }), isLocal_(onOwnNetwork) {
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

void RouterLink::lookAgain() {
    lookAgain_ = true;
}

std::optional<std::uint32_t> RouterLink::gatewayAddress() const {
    return gateway_ ? ipv4(gateway_()) : std::nullopt;
}

void RouterLink::fail(const QString& error, bool ofRouter, bool lost) {
    if (!onFailure)
        return;
    RouterFailure f;
    if (ofRouter && router_) {
        f.udn = router_->udn;
        f.name = router_->name;
    }
    f.error = error;
    f.lost = lost;
    f.time = now_();
    onFailure(f);
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
    pollLook(now);
    if (!round_.empty()) {
        bool over = true;
        for (Ask& ask : round_)
            over = ask.fetch->poll(now) && over;
        if (over)
            endRound(now);
    }
    const bool due = !lastLook_ || now - *lastLook_ >= kLookAgainMs;
    if (!looking() && (lookAgain_ || (!router_ && due))) {
        lookAgain_ = false;
        look(now);
    }
    // A router already known is read on while a search runs.
    if (router_ && round_.empty() && (!lastRead_ || now - *lastRead_ >= kReadEveryMs))
        startRound(now);
}

void RouterLink::look(qint64 now) {
    lastLook_ = now;
    if (mode_ == Mode::Auto) {
        searching_ = true;
        discovery_->start(gatewayAddress().value_or(0));
        return;
    }
    if (ipv4(url_.host())) {
        describe({url_}, now);
        return;
    }
    // A name: looked up once per look, off the meter's thread.
    resolving_ = std::make_shared<Resolving>();
    std::thread([r = resolving_, url = url_] {
        QUrl resolved;
        for (const QHostAddress& a : QHostInfo::fromName(url.host()).addresses())
            if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                resolved = url;
                resolved.setHost(a.toString());
                break;
            }
        const std::lock_guard lock(r->mutex);
        r->url = resolved;
        r->done = true;
    }).detach();
}

void RouterLink::pollLook(qint64 now) {
    if (searching_) {
        if (const auto found = discovery_->poll()) {
            searching_ = false;
            chooseFrom(*found, now);
        }
    }
    if (resolving_) {
        QUrl url;
        {
            const std::lock_guard lock(resolving_->mutex);
            if (!resolving_->done)
                return;
            url = resolving_->url;
        }
        resolving_.reset();
        if (url.isEmpty()) {
            router_.reset();
            fail(QStringLiteral("the router's name has no address"), false);
        } else {
            describe({url}, now);
        }
    }
    if (!describing_.empty()) {
        bool over = true;
        for (Describing& d : describing_)
            over = d.fetch->poll(now) && over;
        if (over)
            described();
    }
}

void RouterLink::chooseFrom(const SsdpResult& found, qint64 now) {
    QList<QUrl> candidates;
    QString none;
    if (const auto gateway = gatewayAddress()) {
        // The router is the device at the default gateway's address: a phone or another
        // device that answers too is not.
        for (const SsdpAnswer& a : found.answers)
            if (a.from == *gateway && candidates.size() < kMaxDescriptions)
                candidates << a.location;
        none = QStringLiteral("no router at the gateway's address");
    } else if (found.devices > 1) {
        // With no gateway to say which, no device of several is taken for the router.
        none = QStringLiteral("several devices answered and no gateway is known");
    } else if (found.devices == 1) {
        const std::uint32_t from = found.answers.constFirst().from;
        if (!isLoopback(from) && isLocal_ && isLocal_(from))
            for (const SsdpAnswer& a : found.answers)
                if (candidates.size() < kMaxDescriptions)
                    candidates << a.location;
        none = QStringLiteral("the device that answered is not on this computer's network");
    }
    if (found.answers.isEmpty())
        none = QStringLiteral("no router answered");
    if (candidates.isEmpty()) {
        router_.reset();
        round_.clear();
        fail(none, false);
        return;
    }
    describe(candidates, now);
}

void RouterLink::describe(const QList<QUrl>& urls, qint64 now) {
    // All at once: a device that does not answer holds up no other.
    for (const QUrl& url : urls)
        describing_.push_back(
            {url, std::make_unique<HttpExchange>(url, std::nullopt, FetchHeaders{}, now)});
}

void RouterLink::described() {
    std::vector<Describing> done = std::move(describing_);
    describing_.clear();
    QStringList refusals;
    for (const Describing& d : done) {
        QString why = d.fetch->error();
        std::optional<RouterDescription> found;
        if (const auto body = d.fetch->body()) {
            if (d.fetch->status() != 200)
                why = QStringLiteral("HTTP status %1").arg(d.fetch->status());
            else
                found = parseRouterDescription(*body, d.url, &why);
        }
        if (!found) {
            refusals << QStringLiteral("the description at %1: %2").arg(deviceOf(d.url), why);
            continue;
        }
        if (!router_ || router_->udn != found->udn) {
            lineSpeed_ = 0;
            failedRounds_ = 0;
            round_.clear();
            lastRead_.reset();
            lastSpeed_.reset();
        }
        router_ = found;
        return;
    }
    // The known router's own description refused tells of it; another device's does not.
    const bool ofRouter = router_ && done.size() == 1 &&
                          deviceOf(done.front().url) == deviceOf(router_->counters.control);
    for (const QString& r : refusals)
        fail(r, ofRouter);
    router_.reset();
    round_.clear();
}

void RouterLink::startRound(qint64 now) {
    lastRead_ = now;
    const RouterDescription& router = *router_;
    const auto ask = [&](Asked what, const RouterService& service, const QString& action,
                         const QString& argument) {
        const QByteArray body = soapEnvelope(service.type, action);
        round_.push_back({what, action, argument,
                          std::make_unique<HttpExchange>(
                              service.control, body,
                              FetchHeaders{{"Content-Type", "text/xml; charset=\"utf-8\""},
                                           {"SOAPAction", soapActionHeader(service.type, action)}},
                              now)});
    };
    // Sent together, so that their answers are read at the same ticks.
    ask(Asked::Received, router.counters, QStringLiteral("GetTotalBytesReceived"),
        QStringLiteral("NewTotalBytesReceived"));
    ask(Asked::Sent, router.counters, QStringLiteral("GetTotalBytesSent"),
        QStringLiteral("NewTotalBytesSent"));
    if (router.connection)
        ask(Asked::Uptime, *router.connection, QStringLiteral("GetStatusInfo"),
            QStringLiteral("NewUptime"));
    if (!lastSpeed_ || now - *lastSpeed_ >= kSpeedEveryMs) {
        lastSpeed_ = now;
        ask(Asked::Speed, router.counters, QStringLiteral("GetCommonLinkProperties"),
            QStringLiteral("NewLayer1DownstreamMaxBitRate"));
    }
}

void RouterLink::endRound(qint64 now) {
    std::vector<Ask> round = std::move(round_);
    round_.clear();
    // Plain values beside flags: GCC takes optionals here for uninitialised.
    std::uint64_t received = 0, sent = 0;
    bool haveReceived = false, haveSent = false;
    qint64 uptime = -1;
    qint64 askedAt = -1;
    QString error;
    for (const Ask& ask : round) {
        // The counters are of the moment they were asked for: the answers may be read late, as
        // after this program was stopped for a while.
        if (ask.what == Asked::Received || ask.what == Asked::Sent)
            askedAt = std::max(askedAt, ask.fetch->sentAt());
        std::optional<QString> text;
        QString why = ask.fetch->error();
        if (const auto body = ask.fetch->body()) {
            if (ask.fetch->status() == 200)
                text = soapValue(*body, ask.action, ask.argument);
            else
                why = soapFault(*body).value_or(
                    QStringLiteral("HTTP status %1").arg(ask.fetch->status()));
        }
        switch (ask.what) {
        case Asked::Received:
        case Asked::Sent: {
            const auto n = text ? counterValue(*text) : std::nullopt;
            if (n) {
                (ask.what == Asked::Received ? received : sent) = *n;
                (ask.what == Asked::Received ? haveReceived : haveSent) = true;
            }
            if (!n && error.isEmpty())
                error =
                    why.isEmpty() ? QStringLiteral("the router's counters did not answer") : why;
            break;
        }
        case Asked::Uptime:
            if (text)
                uptime = countValue(*text).value_or(-1);
            break;
        case Asked::Speed:
            if (text)
                lineSpeed_ = std::uint64_t(countValue(*text).value_or(0));
            break;
        }
    }
    if (!router_)
        return;
    if (!haveReceived || !haveSent) {
        // Asked again at the next round; given up after the third, and found anew no sooner
        // than the look's own pace.
        const bool lost = ++failedRounds_ >= kFailedRounds;
        fail(error, true, lost);
        if (lost) {
            router_.reset();
            failedRounds_ = 0;
        }
        return;
    }
    failedRounds_ = 0;
    RouterReading reading;
    reading.udn = router_->udn;
    reading.name = router_->name;
    reading.received = received;
    reading.sent = sent;
    reading.uptime = uptime;
    reading.lineSpeed = lineSpeed_;
    const qint64 late = askedAt >= 0 ? now - askedAt : 0;
    reading.time = now_().addMSecs(-late);
    reading.steadyMs = now - late;
    // This computer's traffic to the internet went through the router: its gateway is it.
    const auto gateway = gatewayAddress();
    reading.behind = gateway && ipv4(router_->counters.control.host()) == gateway;
    if (onReading)
        onReading(reading);
}

} // namespace tarvo
