// The feed reader on documents shaped like real ones, both through the reader the news window
// uses and through the full XML reader alone (the reader before the fast pass), with the peak
// memory a parse takes beyond the program's own.
#include "news/feed_parser.h"
#include "news/feed_reader.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <atomic>
#include <cstddef>

using namespace tarvo;

// The heap in use and its peak, counted by taking over the C allocator's entry points
// (glibc): Qt's containers and operator new all come through them.
namespace heap {
std::atomic<long long> current{0};
std::atomic<long long> peak{0};

void add(void* block) {
    if (!block)
        return;
    const long long now = current += (long long)malloc_usable_size(block);
    long long seen = peak.load();
    while (now > seen && !peak.compare_exchange_weak(seen, now)) {
    }
}

void remove(void* block) {
    if (block)
        current -= (long long)malloc_usable_size(block);
}
} // namespace heap

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);

void* malloc(size_t size) {
    void* block = __libc_malloc(size);
    heap::add(block);
    return block;
}
void* calloc(size_t count, size_t size) {
    void* block = __libc_calloc(count, size);
    heap::add(block);
    return block;
}
void* realloc(void* old, size_t size) {
    const long long oldSize = old ? (long long)malloc_usable_size(old) : 0;
    void* block = __libc_realloc(old, size);
    if (block || size == 0) {
        heap::current -= oldSize;
        heap::add(block);
    }
    return block;
}
void* memalign(size_t alignment, size_t size) {
    void* block = __libc_memalign(alignment, size);
    heap::add(block);
    return block;
}
void* aligned_alloc(size_t alignment, size_t size) {
    return memalign(alignment, size);
}
int posix_memalign(void** out, size_t alignment, size_t size) {
    *out = memalign(alignment, size);
    return *out ? 0 : 12; // ENOMEM
}
void free(void* block) {
    heap::remove(block);
    __libc_free(block);
}
}

namespace {

// A news site's RSS 2.0 feed: 10,000 items with Arabic titles, about 4.3 MB.
QByteArray newsFeed() {
    QByteArray items;
    const QByteArray title = QString::fromUtf8("عنوان الخبر العاجل رقم ").toUtf8();
    const QByteArray text = QString::fromUtf8("&lt;p&gt;نص الخبر المختصر&lt;/p&gt; ").toUtf8();
    for (int i = 0; i < 10000; ++i) {
        const QByteArray n = QByteArray::number(i);
        items += "<item><title>" + title + n + "</title><link>https://example.org/news/" + n +
                 "</link><description>" + text.repeated(4) +
                 "</description><pubDate>Tue, 08 Dec 2026 06:00:00 GMT</pubDate>"
                 "<guid>https://example.org/news/" +
                 n + "</guid></item>\n";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss version=\"2.0\"><channel>"
           "<title>Feed</title>" +
           items + "</channel></rss>";
}

// A podcast feed: 730 episodes with namespaced tags, CDATA show notes and enclosures,
// about 1.6 MB.
QByteArray podcastFeed() {
    const QByteArray notes =
        QByteArray("<p>In this episode we talk about networks &amp; the people who run them. "
                   "Links: <a href=\"https://example.org/x\">x</a></p>")
            .repeated(7);
    const QByteArray episode =
        "<item><title>Episode {n}: the long &amp; winding road</title>"
        "<itunes:title>The long and winding road</itunes:title>"
        "<link>https://podcast.example.org/episodes/{n}</link>"
        "<guid isPermaLink=\"false\">tag:podcast.example.org,2026:{n}</guid>"
        "<pubDate>Tue, 08 Dec 2026 06:00:00 GMT</pubDate>"
        "<description><![CDATA[{notes}]]></description>"
        "<content:encoded><![CDATA[{notes}]]></content:encoded>"
        "<enclosure url=\"https://cdn.example.org/{n}.mp3\" length=\"51234567\" "
        "type=\"audio/mpeg\"/><itunes:duration>01:02:03</itunes:duration>"
        "<itunes:explicit>false</itunes:explicit><itunes:episode>{n}</itunes:episode></item>\n";
    QByteArray items;
    for (int i = 0; i < 730; ++i)
        items +=
            QByteArray(episode).replace("{n}", QByteArray::number(i)).replace("{notes}", notes);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<?xml-stylesheet type=\"text/xsl\" href=\"/feed.xsl\"?>\n"
           "<rss version=\"2.0\" xmlns:itunes=\"http://www.itunes.com/dtds/podcast-1.0.dtd\" "
           "xmlns:content=\"http://purl.org/rss/1.0/modules/content/\" "
           "xmlns:atom=\"http://www.w3.org/2005/Atom\"><channel><title>Podcast</title>"
           "<atom:link href=\"https://podcast.example.org/feed\" rel=\"self\" "
           "type=\"application/rss+xml\"/>" +
           items + "</channel></rss>\n";
}

// End tags hidden in a comment that a separate pre-scan would have closed early, then
// levels of nesting that they would have let through.
QByteArray hiddenNesting(int levels) {
    return "<rss><channel><!-->" + QByteArray("</x>").repeated(levels) + "-->" +
           QByteArray("<x>").repeated(levels) + QByteArray("</x>").repeated(levels) +
           "</channel></rss>";
}

const QByteArray& feed(int which) {
    static const QByteArray news = newsFeed();
    static const QByteArray podcast = podcastFeed();
    return which == 0 ? news : podcast;
}

const char* feedName(int which) {
    return which == 0 ? "news 10000 items" : "podcast 730 items";
}

template <typename Parse> void listing(benchmark::State& state, Parse parse) {
    const QByteArray& document = feed(int(state.range(0)));
    state.SetLabel(feedName(int(state.range(0))));
    qsizetype headlines = 0;
    for (auto _ : state)
        headlines = parse(document).headlines.size();
    // One more parse, watched for the most heap it holds above what the program held before.
    const long long before = heap::current.load();
    heap::peak.store(before);
    benchmark::DoNotOptimize(parse(document));
    state.counters["headlines"] = double(headlines);
    state.counters["MB"] = double(document.size()) / 1e6;
    state.counters["peak/doc"] = double(heap::peak.load() - before) / double(document.size());
    state.SetBytesProcessed(state.iterations() * document.size());
}

} // namespace

// The step the news window's reader runs on its worker.
static void BM_Listing(benchmark::State& state) {
    listing(state, [](const QByteArray& d) { return parseFeed(d, true); });
}
BENCHMARK(BM_Listing)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The full XML reader alone: the reader as it was before the fast pass.
static void BM_ListingFullReader(benchmark::State& state) {
    listing(state, [](const QByteArray& d) { return parseFeedFully(d, true); });
}
BENCHMARK(BM_ListingFullReader)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The whole path of the window: a saved feed read and listed by FeedReader, off the caller's
// thread, the result back through the event loop.
static void BM_FeedReaderFromFile(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("feed.xml"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(feed(int(state.range(0)))) < 0) {
        state.SkipWithError("cannot write the feed");
        return;
    }
    file.close();
    state.SetLabel(feedName(int(state.range(0))));
    FeedReader reader;
    qsizetype headlines = 0;
    for (auto _ : state) {
        QEventLoop loop;
        QObject::connect(&reader, &FeedReader::finished, &loop, [&](const FeedListing& l) {
            headlines = l.headlines.size();
            loop.quit();
        });
        reader.start(path, true);
        loop.exec();
    }
    state.counters["headlines"] = double(headlines);
}
BENCHMARK(BM_FeedReaderFromFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// 1.1 MB and 3.3 MB of hostile nesting: refused.
static void BM_RefuseHiddenNesting(benchmark::State& state) {
    const QByteArray document = hiddenNesting(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(parseFeed(document, true));
    state.SetBytesProcessed(state.iterations() * document.size());
}
BENCHMARK(BM_RefuseHiddenNesting)->Arg(100000)->Arg(300000)->Unit(benchmark::kMillisecond);

// One tag of 200,000 attributes (2.6 MB), after an element only the full reader takes.
static void BM_RefuseManyAttributes(benchmark::State& state) {
    QByteArray document = "<rss><\xD8\xB9/><x";
    for (int i = 0; i < 200000; ++i)
        document += " a" + QByteArray::number(i) + "='v'";
    document += "/></rss>";
    for (auto _ : state)
        benchmark::DoNotOptimize(parseFeed(document, true));
    state.SetBytesProcessed(state.iterations() * document.size());
}
BENCHMARK(BM_RefuseManyAttributes)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
