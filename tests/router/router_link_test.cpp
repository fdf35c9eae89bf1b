#include "router/bounded_fetch.h"
#include "router/router_description.h"
#include "router/router_link.h"
#include "router/router_soap.h"
#include "support/router_stand_in.h"

#include <QNetworkAccessManager>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace tarvo;

namespace {

constexpr int kPatienceMs = 10000; // how long a test waits for an answer it must get

struct FakeDiscovery : RouterDiscovery {
    QList<QUrl> answer;
    int searches = 0;
    void discover(std::function<void(QList<QUrl>)> done) override {
        ++searches;
        QTimer::singleShot(0, [done, a = answer] { done(a); });
    }
};

struct Link {
    FakeDiscovery* discovery = new FakeDiscovery;
    QString gateway = QStringLiteral("127.0.0.1");
    RouterLink link;
    std::vector<RouterReading> readings;
    explicit Link(const QString& setting)
        : link(setting, std::unique_ptr<RouterDiscovery>(discovery), [this] { return gateway; }) {
        link.onReading = [this](const RouterReading& r) { readings.push_back(r); };
    }
    // A tick, then the event loop until cond holds.
    bool tickUntil(qint64 ms, const std::function<bool()>& cond) {
        link.tick(ms);
        return QTest::qWaitFor(cond, kPatienceMs);
    }
};

TEST(RouterDescription, TakesTheServicesAndRefusesWhatALanDeviceMustNotSay) {
    RouterStandIn router;
    const QUrl from(QStringLiteral("http://192.0.2.1:5000/rootDesc.xml"));
    QString why;
    const auto d = parseRouterDescription(router.description(), from, &why);
    ASSERT_TRUE(d) << why.toStdString();
    EXPECT_EQ(d->udn, u"uuid:stand-in");
    EXPECT_EQ(d->name, u"Stand-in router");
    EXPECT_EQ(d->counters.control, QUrl(QStringLiteral("http://192.0.2.1:5000/ctl/CmnIfCfg")));
    ASSERT_TRUE(d->connection);
    EXPECT_EQ(d->connection->type, u"urn:schemas-upnp-org:service:WANIPConnection:1");

    router.controlHost = QStringLiteral("203.0.113.9");
    const QByteArray elsewhere = router.description();
    const QByteArray noCounters =
        QByteArray(router.description()).replace("WANCommonInterfaceConfig", "Other");
    const QByteArray injected =
        QByteArray(router.description())
            .replace("WANCommonInterfaceConfig:1", "WANCommonInterfaceConfig:1\r\nX: y");
    for (const QByteArray& bad :
         {QByteArray("not xml at all"), QByteArray("<root><device><UDN>uuid:x</UDN></device>"),
          elsewhere, noCounters, injected,
          QByteArray("<!DOCTYPE r [<!ENTITY a \"aaaa\">]><root>&a;</root>"),
          QByteArray("<root>") + QByteArray(40, 'x').replace('x', "<a>")}) {
        EXPECT_FALSE(parseRouterDescription(bad, from, &why)) << bad.left(60).toStdString();
        EXPECT_FALSE(why.isEmpty());
    }
}

TEST(RouterSoap, CountersAreReadStrictlyAndSigned32BitOnesModulo2To32) {
    EXPECT_EQ(counterValue(QStringLiteral("0")), 0u);
    EXPECT_EQ(counterValue(QStringLiteral("18446744073709551615")), ~std::uint64_t(0));
    EXPECT_EQ(counterValue(QStringLiteral("-1")), 4294967295u);
    EXPECT_EQ(counterValue(QStringLiteral("-2147483648")), 2147483648u);
    for (const char* bad : {"", "+5", " 5", "5 ", "1e3", "-0", "-2147483649", "0x10", "٣",
                            "18446744073709551616", "123456789012345678901234567890"})
        EXPECT_FALSE(counterValue(QString::fromUtf8(bad))) << bad;

    const QByteArray answer =
        "<s:Envelope xmlns:s=\"x\"><s:Body><u:GetTotalBytesSentResponse xmlns:u=\"y\">"
        "<NewTotalBytesSent>42</NewTotalBytesSent></u:GetTotalBytesSentResponse>"
        "</s:Body></s:Envelope>";
    EXPECT_EQ(
        soapValue(answer, QStringLiteral("GetTotalBytesSent"), QStringLiteral("NewTotalBytesSent")),
        QStringLiteral("42"));
    // Another action's answer, or the value outside the body, is no answer.
    EXPECT_FALSE(soapValue(answer, QStringLiteral("GetTotalBytesReceived"),
                           QStringLiteral("NewTotalBytesSent")));
    EXPECT_FALSE(soapValue("<s:Envelope><NewTotalBytesSent>42</NewTotalBytesSent></s:Envelope>",
                           QStringLiteral("GetTotalBytesSent"),
                           QStringLiteral("NewTotalBytesSent")));
}

TEST(BoundedFetch, HugeEndlessRedirectedAndFailedAnswersAreRefused) {
    RouterStandIn device;
    QTimer trickle;
    device.answer = [&trickle](QTcpSocket* socket, const QByteArray& path, const QString&) {
        if (path == "/huge") {
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: 1073741824\r\n\r\n");
            socket->write(QByteArray(256 * 1024, 'x'));
        } else if (path == "/endless") {
            socket->write("HTTP/1.1 200 OK\r\n\r\n");
            QObject::connect(&trickle, &QTimer::timeout, socket, [socket] { socket->write("x"); });
            trickle.start(100);
        } else if (path == "/moved") {
            socket->write(
                "HTTP/1.1 301 Moved\r\nLocation: http://203.0.113.1/\r\nContent-Length: 0\r\n\r\n");
        } else if (path == "/missing") {
            RouterStandIn::reply(socket, "no", "404 Not Found");
        } else {
            return false;
        }
        return true;
    };
    QNetworkAccessManager manager;
    QUrl base = device.descriptionUrl();
    for (const char* path : {"/huge", "/endless", "/moved", "/missing", "/rootDesc.xml"}) {
        SCOPED_TRACE(path);
        base.setPath(QString::fromLatin1(path));
        bool done = false;
        std::optional<QByteArray> body;
        QString error;
        boundedFetch(manager, base, nullptr, {}, &manager,
                     [&](std::optional<QByteArray> b, const QString& e) {
                         done = true;
                         body = std::move(b);
                         error = e;
                     });
        ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, kPatienceMs));
        EXPECT_EQ(body.has_value(), QByteArray(path) == "/rootDesc.xml") << error.toStdString();
    }
}

TEST(RouterLink, AUrlSettingIsReadEveryTenSecondsWithItsUptimeAndSpeed) {
    RouterStandIn router;
    router.values[QStringLiteral("NewTotalBytesReceived")] = QStringLiteral("5000000000");
    Link t(router.descriptionUrl().toString());
    ASSERT_TRUE(t.tickUntil(0, [&] { return t.link.hasRouter(); }));
    ASSERT_TRUE(t.tickUntil(1000, [&] { return t.readings.size() == 1; }));
    const RouterReading& r = t.readings[0];
    EXPECT_EQ(r.udn, u"uuid:stand-in");
    EXPECT_EQ(r.received, 5'000'000'000u);
    EXPECT_EQ(r.sent, 100u);
    EXPECT_EQ(r.uptime, 3600);
    EXPECT_EQ(t.discovery->searches, 0);
    // The speed came with the first round; the next round is ten seconds on.
    const qsizetype requests = router.actions.size();
    t.link.tick(5000);
    QTest::qWait(50);
    EXPECT_EQ(router.actions.size(), requests);
    ASSERT_TRUE(t.tickUntil(11000, [&] { return t.readings.size() == 2; }));
    EXPECT_EQ(t.readings[1].lineSpeed, 100'000'000u);
    EXPECT_FALSE(router.actions.mid(int(requests)).contains(u"GetCommonLinkProperties"));
}

TEST(RouterLink, TheRouterIsTheDeviceAtTheGatewayAndALostOneIsLookedForAgain) {
    RouterStandIn phone(QHostAddress(QStringLiteral("127.0.0.1")));
    RouterStandIn router(QHostAddress(QStringLiteral("127.0.0.2")));
    ASSERT_TRUE(router.listening()) << "no 127.0.0.2 here";
    Link t(QStringLiteral("auto"));
    t.gateway = QStringLiteral("127.0.0.2");
    t.discovery->answer = {phone.descriptionUrl(), router.descriptionUrl()};
    ASSERT_TRUE(t.tickUntil(0, [&] { return t.link.hasRouter(); }));
    ASSERT_TRUE(t.tickUntil(1000, [&] { return t.readings.size() == 1; }));
    EXPECT_TRUE(phone.actions.isEmpty());

    // Three rounds without counters: it is lost, and looked for again only after 10 minutes.
    router.values.remove(QStringLiteral("NewTotalBytesSent"));
    for (int round = 1; round <= RouterLink::kFailedRounds; ++round) {
        const qsizetype before = router.actions.size();
        ASSERT_TRUE(
            t.tickUntil(1000 + round * 10000, [&] { return router.actions.size() >= before + 3; }));
        QTest::qWait(50);
    }
    EXPECT_FALSE(t.link.hasRouter());
    t.link.tick(5 * 60 * 1000);
    EXPECT_EQ(t.discovery->searches, 1);
    t.link.tick(11 * 60 * 1000);
    EXPECT_EQ(t.discovery->searches, 2);
}

TEST(RouterLink, OffSendsNothingAndNoRouterIsNotSearchedForMoreThanEveryTenMinutes) {
    Link off(QStringLiteral("off"));
    for (qint64 ms = 0; ms < 3600 * 1000; ms += 60 * 1000)
        off.link.tick(ms);
    EXPECT_EQ(off.discovery->searches, 0);

    Link none(QStringLiteral("auto"));
    ASSERT_TRUE(none.tickUntil(0, [&] { return none.discovery->searches == 1; }));
    QTest::qWait(20);
    for (qint64 ms = 1000; ms < 10 * 60 * 1000; ms += 1000)
        none.link.tick(ms);
    EXPECT_EQ(none.discovery->searches, 1);
    none.link.tick(10 * 60 * 1000);
    EXPECT_EQ(none.discovery->searches, 2);
    // Another network: at once.
    QTest::qWait(20);
    none.gateway = QStringLiteral("192.0.2.1");
    none.link.tick(10 * 60 * 1000 + 10000);
    none.link.tick(10 * 60 * 1000 + 11000);
    EXPECT_EQ(none.discovery->searches, 3);
}

} // namespace
