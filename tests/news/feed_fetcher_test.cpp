#include "news/feed_fetcher.h"
#include "news/feed_parser.h"
#include "news/feed_reader.h"

#include "local_http_server.h"
#include "support/temp_dir.h"

#include <QDeadlineTimer>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <memory>

#include <gtest/gtest.h>

using namespace tarvo;
using namespace std::chrono_literals;

namespace {

struct Fetched {
    bool ok = false;
    QByteArray document;
    int ticks = 0; // of a timer running beside the fetch
};

// A short deadline keeps the slow-server cases quick; the wait is only a safety net.
FeedFetchLimits testLimits() {
    FeedFetchLimits limits;
    limits.deadline = 400ms;
    return limits;
}

Fetched fetch(const QString& address, FeedFetchLimits limits = testLimits()) {
    FeedFetcher fetcher;
    fetcher.setLimits(limits);
    QSignalSpy spy(&fetcher, &FeedFetcher::finished);
    Fetched result;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++result.ticks; });
    ticker.start(5);
    EXPECT_TRUE(fetcher.start(address));
    EXPECT_TRUE(fetcher.isRunning());
    if (!spy.wait(60000) || spy.size() != 1) {
        ADD_FAILURE() << "no single finished() for " << address.toStdString();
        return result;
    }
    EXPECT_FALSE(fetcher.isRunning());
    result.ok = spy[0][0].toBool();
    result.document = spy[0][1].toByteArray();
    return result;
}

const QByteArray threeItems =
    "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>C</title>"
    "<item><title>One</title><link>http://a/1</link></item>"
    "<item><title>Two</title><link>http://a/2</link></item>"
    "<item><title>Three</title><link>http://a/3</link></item></channel></rss>";

} // namespace

TEST(FeedFetcher, ServedFeedListsThreeItemsInOrder) {
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    server.serve("/rss", threeItems);
    const Fetched f = fetch(server.url("/rss"));
    ASSERT_TRUE(f.ok);
    const FeedListing l = parseFeed(f.document, true);
    EXPECT_EQ(l.headlines, QStringList({"One ", "Two ", "Three "}));
    EXPECT_EQ(l.links, QStringList({"http://a/1 ", "http://a/2 ", "http://a/3 "}));
}

TEST(FeedFetcher, ErrorStatusAndRefusedConnectionFail) {
    LocalHttpServer server;
    server.route("/gone", {500, threeItems, {}, LocalHttpServer::Mode::Normal, 0});
    EXPECT_FALSE(fetch(server.url("/gone")).ok);
    EXPECT_FALSE(fetch(server.url("/missing")).ok);

    quint16 closedPort = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        closedPort = probe.serverPort();
    }
    EXPECT_FALSE(fetch(QStringLiteral("http://127.0.0.1:%1/rss").arg(closedPort)).ok);
    EXPECT_FALSE(fetch(QStringLiteral("ftp://127.0.0.1/rss")).ok);
    EXPECT_FALSE(fetch(QStringLiteral("http://")).ok);
}

TEST(FeedFetcher, SilentAndTricklingServersAreCutOffWhileTheLoopRuns) {
    LocalHttpServer server;
    server.route("/silent", {200, {}, {}, LocalHttpServer::Mode::Silent, 0});
    server.route("/trickle", {200, {}, {}, LocalHttpServer::Mode::Trickle, 0});
    for (const char* path : {"/silent", "/trickle"}) {
        const Fetched f = fetch(server.url(path));
        EXPECT_FALSE(f.ok) << path;
        EXPECT_TRUE(f.document.isEmpty());
        // Timers kept firing during the fetch: nothing waited on the network.
        EXPECT_GT(f.ticks, 0) << path;
    }
}

TEST(FeedFetcher, BodiesPastTheLimitAreRefusedAfterDecompression) {
    LocalHttpServer server;
    FeedFetchLimits limits = testLimits();
    limits.deadline = 30s;
    server.route("/huge", {200, {}, {}, LocalHttpServer::Mode::Stream, qint64(100) << 20});
    EXPECT_FALSE(fetch(server.url("/huge"), limits).ok);

    server.route("/bomb", {200,
                           gzipped(QByteArray(100 << 20, '\0')),
                           {{"Content-Encoding", "gzip"}},
                           LocalHttpServer::Mode::Normal,
                           0});
    EXPECT_FALSE(fetch(server.url("/bomb"), limits).ok);

    // A small compressed body whose text is over the limit, and the same under it.
    QByteArray padded = threeItems;
    padded.insert(padded.indexOf("<channel>"), QByteArray(8000, ' '));
    const QByteArray packed = gzipped(padded);
    ASSERT_LT(packed.size(), 1000);
    server.route("/packed",
                 {200, packed, {{"Content-Encoding", "gzip"}}, LocalHttpServer::Mode::Normal, 0});
    limits.maxBytes = 4096;
    EXPECT_FALSE(fetch(server.url("/packed"), limits).ok);
    limits.maxBytes = 16384;
    const Fetched f = fetch(server.url("/packed"), limits);
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.document, padded);
}

TEST(FeedFetcher, FollowsAtMostFiveRedirectsToWebAddresses) {
    LocalHttpServer server;
    server.serve("/rss", threeItems);
    for (int i = 1; i <= 6; ++i)
        server.redirect("/r" + QByteArray::number(i),
                        server.url(i == 1 ? "/rss" : "/r" + QByteArray::number(i - 1)).toLatin1());
    EXPECT_TRUE(fetch(server.url("/r5")).ok);
    EXPECT_EQ(server.requestedPaths().count("/rss"), 1);
    EXPECT_FALSE(fetch(server.url("/r6")).ok);

    QTemporaryDir dir;
    const QString local = writeFixture(dir, "feed.xml", threeItems);
    server.redirect("/tofile", QUrl::fromLocalFile(local).toEncoded());
    server.redirect("/toftp", "ftp://127.0.0.1/rss");
    server.redirect("/todata", "data:text/xml," + QUrl::toPercentEncoding(threeItems));
    for (const char* path : {"/tofile", "/toftp", "/todata"}) {
        const Fetched f = fetch(server.url(path));
        EXPECT_FALSE(f.ok) << path;
        EXPECT_TRUE(f.document.isEmpty());
    }
}

TEST(FeedFetcher, LocalFilesByPathOrFileAddress) {
    QTemporaryDir dir;
    const QString path = writeFixture(dir, "feed.xml", threeItems);
    EXPECT_EQ(fetch(path).document, threeItems);
    EXPECT_EQ(fetch(QUrl::fromLocalFile(path).toString()).document, threeItems);
    EXPECT_FALSE(fetch(dir.filePath("none.xml")).ok);
    EXPECT_FALSE(fetch(dir.path()).ok);
    EXPECT_FALSE(fetch(QStringLiteral("/dev/zero")).ok);
    FeedFetchLimits limits = testLimits();
    limits.maxBytes = threeItems.size() - 1;
    EXPECT_FALSE(fetch(path, limits).ok);
}

TEST(FeedFetcher, StartsNoSecondFetchWhileOneRuns) {
    LocalHttpServer server;
    server.route("/silent", {200, {}, {}, LocalHttpServer::Mode::Silent, 0});
    FeedFetcher fetcher;
    fetcher.setLimits(testLimits());
    QSignalSpy spy(&fetcher, &FeedFetcher::finished);
    ASSERT_TRUE(fetcher.start(server.url("/silent")));
    EXPECT_FALSE(fetcher.start(server.url("/silent")));
    ASSERT_TRUE(spy.wait(60000));
    EXPECT_EQ(server.connections(), 1);
    EXPECT_EQ(spy.size(), 1);
}

TEST(FeedFetcher, DoctypeNamingLocalFilesOrHostsReadsAndConnectsNothing) {
    LocalHttpServer counting;
    LocalHttpServer feedServer;
    const QByteArray host = "http://127.0.0.1:" + QByteArray::number(counting.port());
    const QByteArray body =
        "<?xml version=\"1.0\"?>"
        "<!DOCTYPE rss SYSTEM \"" +
        host +
        "/rss.dtd\" [\n"
        "<!ENTITY passwd SYSTEM \"file:///etc/passwd\">\n"
        "<!ENTITY remote SYSTEM \"" +
        host +
        "/entity\">\n"
        "<!ENTITY % param SYSTEM \"" +
        host +
        "/param\"> %param;\n]>"
        "<rss><channel><item><title>&passwd;&remote;</title><link>l</link></item>"
        "</channel></rss>";
    feedServer.serve("/evil", body);
    const Fetched f = fetch(feedServer.url("/evil"));
    ASSERT_TRUE(f.ok);
    const FeedListing l = parseFeed(f.document, true);
    EXPECT_TRUE(l.headlines.isEmpty());
    EXPECT_TRUE(l.links.isEmpty());

    // Without entity references the document lists normally, its DTD still unread.
    QByteArray harmless = body;
    harmless.replace("&passwd;&remote;", "Plain");
    EXPECT_EQ(parseFeed(harmless, true).headlines, QStringList({"Plain "}));

    // Give any stray request the chance to arrive before counting.
    QSignalSpy never(&counting, &QObject::destroyed);
    never.wait(200);
    EXPECT_EQ(counting.connections(), 0);
}

TEST(FeedReader, ListsAServedFeedAndCanBeDroppedMidway) {
    LocalHttpServer server;
    server.serve("/rss", threeItems);
    FeedReader reader;
    reader.setLimits(testLimits());
    QSignalSpy spy(&reader, &FeedReader::finished);
    ASSERT_TRUE(reader.start(server.url("/rss"), true));
    EXPECT_FALSE(reader.start(server.url("/rss"), true));
    ASSERT_TRUE(spy.wait(60000));
    const auto listing = spy[0][0].value<FeedListing>();
    EXPECT_EQ(listing.headlines, QStringList({"One ", "Two ", "Three "}));
    EXPECT_FALSE(reader.isRunning());

    ASSERT_TRUE(reader.start(server.url("/missing"), true));
    ASSERT_TRUE(spy.wait(60000));
    EXPECT_TRUE(spy[1][0].value<FeedListing>().headlines.isEmpty());

    // A large document is still being parsed when the reader goes away.
    QByteArray items;
    for (int i = 0; i < 20000; ++i)
        items += "<item><title>T</title><link>L</link></item>";
    QTemporaryDir dir;
    const QString big = writeFixture(dir, "big.xml", "<rss><channel>" + items + "</channel></rss>");
    auto dropped = std::make_unique<FeedReader>();
    QSignalSpy none(dropped.get(), &FeedReader::finished);
    ASSERT_TRUE(dropped->start(big, true));
    QCoreApplication::processEvents(); // the file is read and, most likely, still parsing
    dropped.reset();
    EXPECT_TRUE(none.isEmpty());
}

TEST(FeedFetcher, CancelledFetchLeavesNothingForTheNextOne) {
    LocalHttpServer server;
    server.route("/silent", {200, {}, {}, LocalHttpServer::Mode::Silent, 0});
    QTemporaryDir dir;
    const QString path = writeFixture(dir, "feed.xml", threeItems);
    FeedFetcher fetcher;
    fetcher.setLimits(testLimits());
    QSignalSpy spy(&fetcher, &FeedFetcher::finished);
    // A file read and a refused address both answer from the event loop, later.
    for (const QString& first : {path, QStringLiteral("ftp://127.0.0.1/rss")}) {
        ASSERT_TRUE(fetcher.start(first));
        fetcher.cancel();
        ASSERT_TRUE(fetcher.start(server.url("/silent")));
        QCoreApplication::processEvents();
        EXPECT_TRUE(fetcher.isRunning()) << first.toStdString();
        EXPECT_TRUE(spy.isEmpty()) << first.toStdString();
        fetcher.cancel();
        spy.clear();
    }
}

TEST(FeedReader, CancelledParseLeavesNothingForTheNextRead) {
    LocalHttpServer server;
    server.route("/silent", {200, {}, {}, LocalHttpServer::Mode::Silent, 0});
    QTemporaryDir dir;
    const QString path = writeFixture(dir, "feed.xml", threeItems);
    FeedReader reader;
    reader.setLimits(testLimits());
    std::atomic<QThread*> parser{nullptr};
    reader.setParseStep([&](const QByteArray& document, const QByteArray& charset, bool isOnline,
                            const std::atomic<bool>* cancelled) {
        parser = QThread::currentThread();
        return parseFeed(document, isOnline, {}, cancelled, charset);
    });
    QSignalSpy spy(&reader, &FeedReader::finished);
    ASSERT_TRUE(reader.start(path, true));
    QCoreApplication::processEvents(); // the file is read and its parse starts
    // The parse ends and its result waits in the event queue: polled without running events,
    // which would deliver it. The thread object is deleted only once events run.
    const auto parsed = [&] { return parser.load() && parser.load()->isFinished(); };
    QDeadlineTimer bound(60000);
    while (!parsed() && !bound.hasExpired())
        QThread::msleep(5);
    ASSERT_TRUE(parsed());
    reader.cancel();
    ASSERT_TRUE(reader.start(server.url("/silent"), true));
    QCoreApplication::processEvents();
    EXPECT_TRUE(reader.isRunning());
    EXPECT_TRUE(spy.isEmpty());
    reader.cancel();
}

TEST(FeedReader, CancelReturnsWithoutWaitingForTheParse) {
    QTemporaryDir dir;
    const QString path = writeFixture(dir, "feed.xml", threeItems);
    // A parse held up until the test lets it go: a cancel that waited for it would never
    // return, and this test would hang instead of passing.
    QSemaphore started, release;
    std::atomic<bool> sawCancel{false};
    std::atomic<bool> done{false};
    auto reader = std::make_unique<FeedReader>();
    reader->setParseStep([&](const QByteArray& document, const QByteArray&, bool isOnline,
                             const std::atomic<bool>* cancelled) {
        started.release();
        release.acquire();
        sawCancel = cancelled && cancelled->load();
        FeedListing listing = parseFeed(document, isOnline, {}, cancelled);
        done = true;
        return listing;
    });
    QSignalSpy spy(reader.get(), &FeedReader::finished);
    ASSERT_TRUE(reader->start(path, true));
    ASSERT_TRUE(QTest::qWaitFor([&] { return started.available() > 0; }, 60000));
    reader->cancel();
    EXPECT_FALSE(reader->isRunning());
    // The reader can go too, the parse still under way.
    reader.reset();
    release.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 60000));
    EXPECT_TRUE(sawCancel);
    QCoreApplication::processEvents();
    EXPECT_TRUE(spy.isEmpty());
}

TEST(FeedFetcher, CharsetOfContentType) {
    EXPECT_EQ(charsetOfContentType("text/xml; charset=windows-1256"), "windows-1256");
    EXPECT_EQ(charsetOfContentType("application/rss+xml;CharSet=\"ISO-8859-6\" ; x=y"),
              "ISO-8859-6");
    EXPECT_EQ(charsetOfContentType("text/xml; format=flowed"), "");
    EXPECT_EQ(charsetOfContentType("text/xml"), "");
    EXPECT_EQ(charsetOfContentType(""), "");
}

// A server that names the encoding only in its header: the feed is read in that encoding.
TEST(FeedReader, UsesTheServersCharsetWhereTheFeedNamesNone) {
    const QString title = QString::fromUtf8("الأخبار");
    const QByteArray feed("<rss><channel><item><title>\xC7\xE1\xC3\xCE\xC8\xC7\xD1"
                          "</title><link>http://a/1</link></item></channel></rss>");
    LocalHttpServer server;
    server.serve("/named", feed, "application/rss+xml; charset=windows-1256");
    server.serve("/unnamed", feed, "application/rss+xml");
    FeedReader reader;
    reader.setLimits(testLimits());
    QSignalSpy spy(&reader, &FeedReader::finished);
    ASSERT_TRUE(reader.start(server.url("/named"), true));
    ASSERT_TRUE(spy.wait(60000));
    EXPECT_EQ(spy[0][0].value<FeedListing>().headlines, QStringList({title + u' '}));
    ASSERT_TRUE(reader.start(server.url("/unnamed"), true));
    ASSERT_TRUE(spy.wait(60000));
    EXPECT_TRUE(spy[1][0].value<FeedListing>().headlines.isEmpty());
}
