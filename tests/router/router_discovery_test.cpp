#include "router/router_discovery.h"

#include <QHostAddress>

#include <gtest/gtest.h>

using namespace tarvo;

namespace {

constexpr std::uint32_t kRouter = 0xC0000201; // 192.0.2.1
constexpr std::uint32_t kOther = 0xC0000209;  // 192.0.2.9

QByteArray answer(const QByteArray& location,
                  const QByteArray& type = "urn:schemas-upnp-org:device:InternetGatewayDevice:1") {
    return "HTTP/1.1 200 OK\r\nCACHE-CONTROL: max-age=120\r\nST: " + type +
           "\r\nUSN: uuid:x\r\nLocation: " + location + "\r\n\r\n";
}

TEST(SsdpAnswer, ALocationIsAnHttpAddressOnTheDeviceThatAnswered) {
    EXPECT_EQ(ssdpLocation(answer("http://192.0.2.1:5000/rootDesc.xml"), kRouter),
              QUrl(QStringLiteral("http://192.0.2.1:5000/rootDesc.xml")));
    // Another host named, a name, another scheme, user info, another kind of device, no answer.
    for (const QByteArray& bad :
         {answer("http://203.0.113.7:5000/rootDesc.xml"), answer("http://router.home/x.xml"),
          answer("https://192.0.2.1/x.xml"), answer("http://u:p@192.0.2.1/x.xml"),
          answer("http://192.0.2.1/x.xml", "urn:schemas-upnp-org:device:MediaRenderer:1"),
          answer("http://192.0.2.1/" + QByteArray(2000, 'a')),
          QByteArray("NOTIFY * HTTP/1.1\r\nLOCATION: http://192.0.2.1/x.xml\r\n"
                     "ST: urn:schemas-upnp-org:device:InternetGatewayDevice:1\r\n\r\n")})
        EXPECT_FALSE(ssdpLocation(bad, kRouter)) << bad.left(80).toStdString();
}

TEST(SsdpCollector, AFloodOfAnswersCannotPushOutTheRoutersOwnNorGrowWithoutBound) {
    const QByteArray real = answer("http://192.0.2.1:5000/rootDesc.xml");
    // 75,000 answers from the router's own address: the same one over and over, junk, answers
    // naming other hosts, then distinct ones, around the real answer.
    SsdpCollector c;
    for (int i = 0; i < 25000; ++i)
        c.add(answer("http://192.0.2.1:1/same.xml"), kRouter);
    for (int i = 0; i < 20000; ++i)
        c.add(QByteArray(300, char('a' + i % 26)), kRouter);
    for (int i = 0; i < 10000; ++i)
        c.add(answer("http://203.0.113.7/" + QByteArray::number(i)), kRouter);
    c.add(real, kRouter);
    for (int i = 0; i < 20000; ++i)
        c.add(answer("http://192.0.2.1:5000/flood/" + QByteArray::number(i) + ".xml"), kRouter);
    const SsdpResult& r = c.result();
    EXPECT_LE(r.answers.size(), SsdpCollector::kMaxAnswers);
    ASSERT_GE(r.answers.size(), 2);
    EXPECT_EQ(r.answers[1].location, QUrl(QStringLiteral("http://192.0.2.1:5000/rootDesc.xml")));
    EXPECT_EQ(r.devices, 1);

    c.add(answer("http://192.0.2.9/d.xml"), kOther);
    EXPECT_EQ(c.result().devices, 2);

    // Answers from thousands of other addresses first, each naming itself: the gateway's
    // answer after them is kept all the same.
    SsdpCollector g(kRouter);
    for (std::uint32_t i = 0; i < 5000; ++i) {
        const QByteArray host = QHostAddress(0xC6336400 + i).toString().toLatin1();
        g.add(answer("http://" + host + "/d.xml"), 0xC6336400 + i);
    }
    g.add(real, kRouter);
    EXPECT_EQ(g.result().answers.constFirst().location,
              QUrl(QStringLiteral("http://192.0.2.1:5000/rootDesc.xml")));
    EXPECT_LE(g.result().answers.size(),
              SsdpCollector::kMaxAnswers + SsdpCollector::kMaxGatewayAnswers);
}

} // namespace
