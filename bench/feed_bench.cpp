#include "news/feed_parser.h"

#include <benchmark/benchmark.h>

using namespace tarvo;

namespace {

// A large real-world shape: 10,000 items with Arabic titles, descriptions and links.
QByteArray largeFeed() {
    QByteArray items;
    const QByteArray title = QString::fromUtf8("عنوان الخبر العاجل رقم ").toUtf8();
    for (int i = 0; i < 10000; ++i) {
        const QByteArray n = QByteArray::number(i);
        items += "<item><title>" + title + n + "</title><link>https://example.org/news/" + n +
                 "</link><description>" + QByteArray("&lt;p&gt;نص الخبر&lt;/p&gt; ").repeated(12) +
                 "</description><pubDate>Tue, 08 Dec 2026 06:00:00 GMT</pubDate>"
                 "<guid>https://example.org/news/" +
                 n + "</guid></item>\n";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss version=\"2.0\"><channel>"
           "<title>Feed</title>" +
           items + "</channel></rss>";
}

// End tags hidden in a comment that a separate pre-scan would have closed early, then
// levels of nesting that they would have let through.
QByteArray hiddenNesting(int levels) {
    return "<rss><channel><!-->" + QByteArray("</x>").repeated(levels) + "-->" +
           QByteArray("<x>").repeated(levels) + QByteArray("</x>").repeated(levels) +
           "</channel></rss>";
}

void listing(benchmark::State& state, const QByteArray& document) {
    for (auto _ : state)
        benchmark::DoNotOptimize(parseFeed(document, true));
    state.SetBytesProcessed(state.iterations() * document.size());
}

} // namespace

static void BM_ParseLargeFeed(benchmark::State& state) {
    listing(state, largeFeed());
}
BENCHMARK(BM_ParseLargeFeed)->Unit(benchmark::kMillisecond);

// 1.1 MB and 3.3 MB of hostile nesting: refused.
static void BM_RefuseHiddenNesting(benchmark::State& state) {
    listing(state, hiddenNesting(int(state.range(0))));
}
BENCHMARK(BM_RefuseHiddenNesting)->Arg(100000)->Arg(300000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
