#include "router/http_exchange.h"
#include "support/router_stand_in.h"

#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace tarvo;

namespace {

constexpr int kPatienceMs = 10000; // how long a test waits for an answer it must get

// The same answer fed whole and a byte at a time must read the same.
HttpAnswer fedWhole(const QByteArray& bytes, bool end = false) {
    HttpAnswer a;
    a.feed(bytes);
    if (end)
        a.end();
    return a;
}

HttpAnswer fedByBytes(const QByteArray& bytes, bool end = false) {
    HttpAnswer a;
    for (const char c : bytes)
        a.feed(QByteArrayView(&c, 1));
    if (end)
        a.end();
    return a;
}

TEST(HttpAnswer, ReadsLengthChunkedAndCloseDelimitedBodiesHoweverTheyAreSplit) {
    struct Case {
        QByteArray bytes;
        bool end;
        int status;
        QByteArray body;
    };
    const Case cases[] = {
        {"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhelloEXTRA", false, 200, "hello"},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;x=y\r\nhello\r\n"
         "6\r\n world\r\n0\r\nTrailer: z\r\n\r\n",
         false, 200, "hello world"},
        // Bare newlines, an interim 100 first, a body up to the end of the stream.
        {"HTTP/1.1 100 Continue\n\nHTTP/1.0 500 Internal\nServer: x\n\n<fault/>", true, 500,
         "<fault/>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.left(40).toStdString());
        for (const HttpAnswer& a : {fedWhole(c.bytes, c.end), fedByBytes(c.bytes, c.end)}) {
            EXPECT_EQ(a.state(), HttpAnswer::State::Done) << a.error().toStdString();
            EXPECT_EQ(a.status(), c.status);
            EXPECT_EQ(a.body(), c.body);
        }
    }
}

TEST(HttpAnswer, EveryByteOfHeadersAndChunksCountsAgainstTheLimit) {
    const QByteArray endlessLine = "HTTP/1.1 200 OK\r\nX-Pad: " + QByteArray(1 << 20, 'a');
    QByteArray endlessLines = "HTTP/1.1 200 OK\r\n";
    QByteArray blankChunks = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    while (endlessLines.size() < (1 << 20))
        endlessLines += "X-Pad: a\r\n";
    while (blankChunks.size() < (1 << 20))
        blankChunks += "1\r\n \r\n";
    // A body of exactly the limit less its headers is whole; one byte more is not.
    const QByteArray head = "HTTP/1.1 200 OK\r\n\r\n";
    const QByteArray fits = head + QByteArray(FetchLimits::kMaxAnswer - head.size(), 'x');
    for (const QByteArray& bytes : {endlessLine, endlessLines, blankChunks, fits + 'x'}) {
        HttpAnswer a;
        EXPECT_EQ(a.feed(bytes), HttpAnswer::State::Failed);
        EXPECT_EQ(a.error(), u"an answer over 64 KiB");
        EXPECT_LE(a.bytesRead(), FetchLimits::kMaxAnswer);
        EXPECT_TRUE(a.body().isEmpty());
    }
    EXPECT_EQ(fedWhole(fits, true).state(), HttpAnswer::State::Done);
    // A length over the limit is refused at its header, before any of the body.
    EXPECT_EQ(fedWhole("HTTP/1.1 200 OK\r\nContent-Length: 1073741824\r\n").error(),
              u"an answer over 64 KiB");
}

TEST(HttpAnswer, MalformedAndUnfinishedAnswersFail) {
    for (const QByteArray& bad : {
             QByteArray("SSH-2.0-x\r\n"),
             QByteArray("HTTP/1.1 2x0 OK\r\n"),
             QByteArray("HTTP/1.1 200 OK\r\nno colon\r\n\r\n"),
             QByteArray("HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n"),
             QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n"),
             QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\n\r\n"),
             QByteArray(
                 "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: 3\r\n\r\n"),
             QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n\r\n"),
             QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabc\r\n"),
         }) {
        SCOPED_TRACE(bad.toStdString());
        EXPECT_EQ(fedWhole(bad).state(), HttpAnswer::State::Failed);
    }
    // Cut short: a length or chunks not reached by the end of the stream.
    EXPECT_EQ(fedWhole("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nabc", true).state(),
              HttpAnswer::State::Failed);
    EXPECT_EQ(
        fedWhole("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc", true).error(),
        u"the answer ended early");
}

TEST(HttpExchange, TheRequestIsOneHostOneConnectionAndNoHeaderInjection) {
    const QByteArray r =
        httpRequest(QUrl(QStringLiteral("http://192.0.2.1:5000/ctl/a%20b?x=1")),
                    QByteArray("<body/>"), {{"SOAPAction", "\"a#b\""}, {"X", "y\r\nEvil: 1"}});
    EXPECT_EQ(r, "POST /ctl/a%20b?x=1 HTTP/1.1\r\nHost: 192.0.2.1:5000\r\nConnection: close\r\n"
                 "SOAPAction: \"a#b\"\r\nContent-Length: 7\r\n\r\n<body/>");
}

// An exchange polled at one fake time until it is over, the stand-in's events run between.
bool overAt(HttpExchange& e, qint64 ms) {
    return QTest::qWaitFor([&] { return e.poll(ms); }, kPatienceMs);
}

TEST(HttpExchange, HostileDevicesAreGivenUpWithinTheBytesAndTheDeadline) {
    RouterStandIn device;
    device.answer = [](QTcpSocket* socket, const QByteArray& path, const QString&) {
        if (path == "/endless-header") {
            RouterStandIn::stream(socket, "HTTP/1.1 200 OK\r\nX-Pad: ", QByteArray(16384, 'a'));
        } else if (path == "/endless-chunks") {
            RouterStandIn::stream(socket, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n",
                                  QByteArray("40\r\n") + QByteArray(64, ' ') + "\r\n");
        } else if (path == "/moved") {
            socket->write(
                "HTTP/1.1 301 Moved\r\nLocation: http://203.0.113.1/\r\nContent-Length: 0\r\n\r\n");
        } else if (path == "/trickle") {
            socket->write("HTTP/1.1 200 OK\r\nX-Pad: ");
            auto* timer = new QTimer(socket);
            QObject::connect(timer, &QTimer::timeout, socket, [socket] { socket->write("a"); });
            timer->start(10);
        } else {
            return false;
        }
        return true;
    };
    QUrl url = device.descriptionUrl();
    for (const char* path : {"/endless-header", "/endless-chunks"}) {
        SCOPED_TRACE(path);
        url.setPath(QString::fromLatin1(path));
        HttpExchange e(url, std::nullopt, {}, 0);
        ASSERT_TRUE(overAt(e, 0));
        EXPECT_EQ(e.error(), u"an answer over 64 KiB");
        EXPECT_LE(e.bytesRead(), FetchLimits::kMaxAnswer);
    }

    // A redirect is an answer like any other, for its reader to refuse: never followed.
    url.setPath(QStringLiteral("/moved"));
    HttpExchange moved(url, std::nullopt, {}, 0);
    ASSERT_TRUE(overAt(moved, 0));
    EXPECT_EQ(moved.status(), 301);
    EXPECT_EQ(device.actions.size(), 3);

    // An answer that never ends is given up at the first poll past 2 s from the start.
    url.setPath(QStringLiteral("/trickle"));
    HttpExchange trickle(url, std::nullopt, {}, 1000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return trickle.poll(2999) || device.actions.size() == 4; },
                                kPatienceMs));
    // A while of trickling, to show that it is not given up before its time.
    QTest::qWait(50);
    EXPECT_FALSE(trickle.poll(2999));
    EXPECT_TRUE(trickle.poll(3000));
    EXPECT_EQ(trickle.error(), u"no whole answer within 2 s");
    EXPECT_FALSE(trickle.body());

    url.setPath(QStringLiteral("/rootDesc.xml"));
    HttpExchange whole(url, std::nullopt, {}, 0);
    ASSERT_TRUE(overAt(whole, 0));
    ASSERT_TRUE(whole.body()) << whole.error().toStdString();
    EXPECT_EQ(*whole.body(), device.description());
}

TEST(HttpExchange, NoDeviceAndNoIpv4AddressAreFailuresAtOnce) {
    quint16 closed;
    {
        RouterStandIn gone;
        closed = quint16(gone.descriptionUrl().port());
    }
    HttpExchange refused(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(closed)), std::nullopt, {},
                         0);
    ASSERT_TRUE(overAt(refused, 0));
    EXPECT_EQ(refused.error(), u"no connection to the device");
    // A name would need a lookup that blocks; https and IPv6 are not spoken.
    for (const char* url : {"http://router.invalid/", "https://127.0.0.1/", "http://[::1]/"}) {
        HttpExchange e(QUrl(QString::fromLatin1(url)), std::nullopt, {}, 0);
        EXPECT_TRUE(e.done()) << url;
        EXPECT_FALSE(e.body());
    }
}

} // namespace
