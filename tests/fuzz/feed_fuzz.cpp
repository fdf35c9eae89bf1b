// Any bytes as a fetched feed: the reader lists or refuses them, within its limits, and
// what it lists keeps headlines and links in step.
#include "news/feed_parser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray document(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const bool online : {true, false}) {
        const tarvo::FeedListing listing = tarvo::parseFeed(document, online);
        const qsizetype headlines = listing.headlines.size();
        const qsizetype links = listing.links.size();
        // Online the last headline may lack its link; offline every headline has an entry.
        if (online ? (links != headlines && links + 1 != headlines) : links != headlines)
            std::abort();
        // Listed text comes from the document and cannot outgrow it.
        qsizetype listed = 0;
        for (const QString& s : listing.headlines + listing.links)
            listed += s.size();
        if (listed > 2 * (qsizetype(size) + headlines + links) + 16)
            std::abort();
    }
    return 0;
}
