#include "router/http_exchange.h"
#include "router/router_description.h"
#include "router/router_link.h"
#include "router/router_soap.h"
#include "support/router_stand_in.h"

#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace tarvo;

namespace {

constexpr int kPatienceMs = 10000; // how long a test waits for an answer it must get

std::uint32_t ipv4(const char* address) {
    return QHostAddress(QString::fromLatin1(address)).toIPv4Address();
}

// Answers each search with the devices given, each at its own address; holds the answer
// while held.
struct FakeDiscovery : RouterDiscovery {
    QList<QUrl> answer;
    bool held = false;
    int searches = 0;
    std::uint32_t gatewayAsked = 0;
    void start(std::uint32_t gateway) override {
        ++searches;
        gatewayAsked = gateway;
    }
    std::optional<SsdpResult> poll() override {
        if (held)
            return std::nullopt;
        SsdpCollector c;
        for (const QUrl& url : answer)
            c.add("HTTP/1.1 200 OK\r\nST: urn:schemas-upnp-org:device:InternetGatewayDevice:1\r\n"
                  "LOCATION: " +
                      url.toEncoded() + "\r\n\r\n",
                  QHostAddress(url.host()).toIPv4Address());
        return c.result();
    }
};

struct Link {
    FakeDiscovery* discovery = new FakeDiscovery;
    QString gateway = QStringLiteral("127.0.0.1");
    RouterLink link;
    std::vector<RouterReading> readings;
    std::vector<RouterFailure> failures;
    explicit Link(const QString& setting)
        : link(setting, std::unique_ptr<RouterDiscovery>(discovery), [this] { return gateway; }) {
        link.onReading = [this](const RouterReading& r) { readings.push_back(r); };
        link.onFailure = [this](const RouterFailure& f) { failures.push_back(f); };
    }
    // Ticks at one fake time, the stand-ins' events run between, until cond holds.
    bool tickUntil(qint64 ms, const std::function<bool()>& cond) {
        return QTest::qWaitFor(
            [&] {
                link.tick(ms);
                return cond();
            },
            kPatienceMs);
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

TEST(RouterDescription, ANameIsOneLineOfPlainTextOfAtMost64CodePoints) {
    RouterStandIn router;
    const QUrl from(QStringLiteral("http://192.0.2.1:5000/rootDesc.xml"));
    const auto named = [&](const QString& name) {
        router.name = name;
        const auto d = parseRouterDescription(router.description(), from);
        return d ? d->name : QStringLiteral("(refused)");
    };
    // Markup stays text (its reader shows it as plain text); separators and bidirectional
    // controls go, as control characters do.
    EXPECT_EQ(named(QStringLiteral("&lt;img src=\"/dev/zero\"&gt;")), u"<img src=\"/dev/zero\">");
    EXPECT_EQ(named(QStringLiteral("Home\u2028router: 1 GB\u2029")), u"Homerouter: 1 GB");
    EXPECT_EQ(named(QStringLiteral("\u202eA\u202c\u2066B\u2069\u200e\u200fC\u061c\u202a\u202b"
                                   "\u202d\u2067\u2068")),
              u"ABC");
    // Cut to 64 code points, whole ones: a character outside the BMP is never split.
    const QString longName = named(QString(10000, u'R'));
    EXPECT_EQ(longName, QString(63, u'R') + u'\u2026');
    const QString emoji = QStringLiteral("\U0001F600");
    QString many;
    for (int i = 0; i < 100; ++i)
        many += emoji;
    const QString cut = named(many);
    EXPECT_EQ(cut.toUcs4().size(), 64);
    EXPECT_TRUE(cut.endsWith(u'\u2026'));
    EXPECT_FALSE(cut.chopped(1).back().isHighSurrogate());
    EXPECT_EQ(named(QString(64, u'R')), QString(64, u'R'));
}

TEST(RouterSoap, CountersAreReadStrictlyAndSigned32BitOnesModulo2To32) {
    EXPECT_EQ(counterValue(QStringLiteral("0")), 0u);
    // 2^63 and above are no router's count, and would turn negative in any signed sum.
    EXPECT_EQ(counterValue(QStringLiteral("9223372036854775807")), 9223372036854775807u);
    EXPECT_FALSE(counterValue(QStringLiteral("9223372036854775808")));
    EXPECT_FALSE(counterValue(QStringLiteral("18446744073709551615")));
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
    // The gateway is the router's own address: this computer's traffic goes through it.
    EXPECT_TRUE(r.behind);
    EXPECT_EQ(t.discovery->searches, 0);
    // The speed came with the first round; the next round is ten seconds on.
    const qsizetype requests = router.actions.size();
    t.link.tick(5000);
    QTest::qWait(50); // time for a request that must not be sent
    EXPECT_EQ(router.actions.size(), requests);
    t.gateway = QStringLiteral("192.0.2.77"); // another network's gateway
    ASSERT_TRUE(t.tickUntil(11000, [&] { return t.readings.size() == 2; }));
    EXPECT_EQ(t.readings[1].lineSpeed, 100'000'000u);
    EXPECT_FALSE(t.readings[1].behind);
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

    // Three rounds without counters: each a failure of this router, the third loses it, and
    // it is looked for again only after 10 minutes.
    router.values.remove(QStringLiteral("NewTotalBytesSent"));
    for (int round = 1; round <= RouterLink::kFailedRounds; ++round)
        ASSERT_TRUE(t.tickUntil(1000 + round * 10000,
                                [&] { return t.failures.size() == std::size_t(round); }));
    for (const RouterFailure& f : t.failures) {
        EXPECT_EQ(f.udn, u"uuid:stand-in");
        EXPECT_EQ(f.name, u"Stand-in router");
        EXPECT_EQ(f.error, u"the router's counters did not answer");
    }
    EXPECT_FALSE(t.failures[1].lost);
    EXPECT_TRUE(t.failures[2].lost);
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
    QTest::qWait(20); // the search's end runs, and must start no other
    for (qint64 ms = 1000; ms < 10 * 60 * 1000; ms += 1000)
        none.link.tick(ms);
    EXPECT_EQ(none.discovery->searches, 1);
    none.link.tick(10 * 60 * 1000);
    EXPECT_EQ(none.discovery->searches, 2);
    // Another network: at once.
    QTest::qWait(20); // as above
    none.gateway = QStringLiteral("192.0.2.1");
    none.link.tick(10 * 60 * 1000 + 10000);
    none.link.tick(10 * 60 * 1000 + 11000);
    EXPECT_EQ(none.discovery->searches, 3);
}

} // namespace

namespace {

// Answers every SOAP request with a hostile answer of the kind's name.
void hostile(RouterStandIn& router, const QByteArray& kind) {
    router.answer = [kind](QTcpSocket* socket, const QByteArray&, const QString& action) {
        if (action.isEmpty())
            return false;
        if (kind == "endless-chunks")
            RouterStandIn::stream(socket, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n",
                                  QByteArray("40\r\n") + QByteArray(64, ' ') + "\r\n");
        else if (kind == "silent")
            socket->write("HTTP/1.1 200 OK\r\n");
        else if (kind == "fault")
            RouterStandIn::reply(socket,
                                 "<s:Envelope xmlns:s=\"x\"><s:Body><s:Fault><detail><UPnPError>"
                                 "<errorCode>401</errorCode><errorDescription>\u202e<b>x</b>"
                                 "</errorDescription></UPnPError></detail></s:Fault></s:Body>"
                                 "</s:Envelope>",
                                 "500 Internal Server Error");
        return true;
    };
}

} // namespace

TEST(RouterLink, ARoundThatCannotFinishIsAFailedRoundAndThreeLoseTheRouter) {
    RouterStandIn router;
    Link t(router.descriptionUrl().toString());
    ASSERT_TRUE(t.tickUntil(0, [&] { return t.readings.size() == 1; }));

    // Blank chunks without end: given up at 64 KiB, not read on.
    hostile(router, "endless-chunks");
    ASSERT_TRUE(t.tickUntil(10000, [&] { return t.failures.size() == 1; }));
    EXPECT_EQ(t.failures[0].error, u"an answer over 64 KiB");
    // A SOAP fault is told by its code; the router's own words are not repeated.
    hostile(router, "fault");
    ASSERT_TRUE(t.tickUntil(20000, [&] { return t.failures.size() == 2; }));
    EXPECT_EQ(t.failures[1].error, u"SOAP fault, UPnP error 401");
    EXPECT_TRUE(t.link.hasRouter());
    // An answer that never comes: given up at the first tick 2 s after the round began.
    hostile(router, "silent");
    const qsizetype asked = router.actions.size();
    ASSERT_TRUE(t.tickUntil(30000, [&] { return router.actions.size() >= asked + 3; }));
    QTest::qWait(20); // time for an answer that never comes: no failure before 2 s
    t.link.tick(31000);
    EXPECT_EQ(t.failures.size(), 2u);
    t.link.tick(32000);
    ASSERT_EQ(t.failures.size(), 3u);
    EXPECT_EQ(t.failures[2].error, u"no whole answer within 2 s");
    EXPECT_TRUE(t.failures[2].lost);
    EXPECT_EQ(t.failures[2].udn, u"uuid:stand-in");
    EXPECT_FALSE(t.link.hasRouter());
    EXPECT_EQ(t.readings.size(), 1u);
}

TEST(RouterLink, ARefusedDescriptionIsAFailureSayingWhyAndNoRequestFollows) {
    RouterStandIn router;
    router.controlHost = QStringLiteral("203.0.113.7");
    Link t(router.descriptionUrl().toString());
    ASSERT_TRUE(t.tickUntil(0, [&] { return t.failures.size() == 1; }));
    EXPECT_EQ(t.failures[0].udn, u"");
    EXPECT_EQ(t.failures[0].error,
              QStringLiteral("the description at 127.0.0.1:%1: a control URL elsewhere than the "
                             "device")
                  .arg(router.descriptionUrl().port()));
    EXPECT_EQ(router.actions, QStringList{u"GET"_qs});

    // A redirect is not followed.
    router.answer = [](QTcpSocket* socket, const QByteArray&, const QString&) {
        socket->write("HTTP/1.1 301 Moved\r\nLocation: http://203.0.113.7/\r\n"
                      "Content-Length: 0\r\n\r\n");
        return true;
    };
    ASSERT_TRUE(t.tickUntil(RouterLink::kLookAgainMs, [&] { return t.failures.size() == 2; }));
    EXPECT_TRUE(t.failures[1].error.endsWith(u": HTTP status 301"));
    EXPECT_FALSE(t.link.hasRouter());
}

// Counters asked for before this program was stopped and read after it went on are of the
// moment they were asked for: the reading is stamped then, not when it was read.
TEST(RouterLink, ALateAnswerIsOfTheMomentItWasAskedFor) {
    RouterStandIn router;
    Link t(router.descriptionUrl().toString());
    QDateTime wall(QDate(2026, 3, 2), QTime(12, 0), Qt::UTC);
    t.link.setClock([&] { return wall; });
    ASSERT_TRUE(t.tickUntil(0, [&] { return t.readings.size() == 1; }));
    const qsizetype asked = router.actions.size();
    // The next round is sent, and answered, but not read: no tick once the stand-in has them.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            if (router.actions.size() >= asked + 3)
                return true;
            t.link.tick(10000);
            return false;
        },
        kPatienceMs));
    // ...and its answers are read two minutes later.
    wall = wall.addSecs(130);
    t.link.tick(130000);
    ASSERT_EQ(t.readings.size(), 2u);
    EXPECT_EQ(t.readings[1].steadyMs, 10000);
    EXPECT_EQ(t.readings[1].time, wall.addSecs(-120));
}

TEST(RouterLink, AKnownRouterIsReadOnWhileASearchRuns) {
    RouterStandIn router;
    Link t(QStringLiteral("auto"));
    t.discovery->answer = {router.descriptionUrl()};
    ASSERT_TRUE(t.tickUntil(0, [&] { return t.readings.size() == 1; }));
    EXPECT_EQ(t.discovery->gatewayAsked, ipv4("127.0.0.1"));
    t.discovery->held = true;
    t.link.lookAgain();
    t.link.tick(1000);
    EXPECT_EQ(t.discovery->searches, 2);
    ASSERT_TRUE(t.tickUntil(10000, [&] { return t.readings.size() == 2; }));
    ASSERT_TRUE(t.tickUntil(20000, [&] { return t.readings.size() == 3; }));
    t.discovery->held = false;
    ASSERT_TRUE(t.tickUntil(30000, [&] { return t.readings.size() == 4; }));
    EXPECT_TRUE(t.failures.empty());
}

TEST(RouterLink, WithNoGatewayOnlyTheOneAnsweringDeviceOnThisNetworkIsAsked) {
    RouterStandIn local(QHostAddress(QStringLiteral("127.0.0.1")));
    RouterStandIn other(QHostAddress(QStringLiteral("127.0.0.2")));
    ASSERT_TRUE(other.listening()) << "no 127.0.0.2 here";
    Link t(QStringLiteral("auto"));
    t.gateway.clear();
    std::vector<std::uint32_t> asked;
    t.link.setLocalNetwork([&](std::uint32_t a) {
        asked.push_back(a);
        return true;
    });
    // Loopback and hosts elsewhere, as on a network whose default route has no gateway.
    t.discovery->answer = {local.descriptionUrl(), other.descriptionUrl(),
                           QUrl(QStringLiteral("http://192.0.2.9:5000/d.xml")),
                           QUrl(QStringLiteral("http://198.51.100.7:5000/d.xml")),
                           QUrl(QStringLiteral("http://203.0.113.7:5000/d.xml"))};
    ASSERT_TRUE(t.tickUntil(0, [&] { return t.failures.size() == 1; }));
    EXPECT_EQ(t.failures[0].error, u"several devices answered and no gateway is known");
    EXPECT_EQ(t.discovery->gatewayAsked, 0u);

    // One device alone, but on loopback: never this computer's router.
    t.discovery->answer = {other.descriptionUrl()};
    ASSERT_TRUE(t.tickUntil(RouterLink::kLookAgainMs, [&] { return t.failures.size() == 2; }));
    EXPECT_EQ(t.failures[1].error, u"the device that answered is not on this computer's network");
    EXPECT_TRUE(local.actions.isEmpty());
    EXPECT_TRUE(other.actions.isEmpty());
    EXPECT_TRUE(asked.empty());

    // With a gateway, a device elsewhere is not it, and no answer at all is said so.
    t.gateway = QStringLiteral("192.0.2.1");
    t.discovery->answer = {other.descriptionUrl()};
    ASSERT_TRUE(t.tickUntil(2 * RouterLink::kLookAgainMs, [&] { return t.failures.size() == 3; }));
    EXPECT_EQ(t.failures[2].error, u"no router at the gateway's address");
    t.discovery->answer.clear();
    ASSERT_TRUE(t.tickUntil(3 * RouterLink::kLookAgainMs, [&] { return t.failures.size() == 4; }));
    EXPECT_EQ(t.failures[3].error, u"no router answered");
    EXPECT_TRUE(other.actions.isEmpty());
}
