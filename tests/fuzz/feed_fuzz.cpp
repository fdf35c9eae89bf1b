// Any bytes as a fetched feed: the reader lists or refuses them, within its limits, exactly
// as the full XML reader alone does, and what it lists keeps headlines and links in step.
#include "fuzz_support.h"
#include "news/feed_document.h"
#include "news/feed_fast_reader.h"
#include "news/feed_parser.h"

#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray document = fuzz::bytes(data, size);
    // Small limits too, so that inputs of fuzzing size reach them.
    const tarvo::FeedDocumentLimits small{6, 40, 3};
    for (const tarvo::FeedDocumentLimits& limits : {tarvo::FeedDocumentLimits{}, small}) {
        for (const bool online : {true, false}) {
            const tarvo::FeedListing listing = tarvo::parseFeed(document, online, limits);
            const tarvo::FeedListing full = tarvo::parseFeedFully(document, online, limits);
            fuzz::require(listing.headlines == full.headlines && listing.links == full.links,
                          "the fast reader lists what the full reader lists");
            const qsizetype headlines = listing.headlines.size();
            const qsizetype links = listing.links.size();
            // Online the last headline may lack its link; offline every headline has an entry.
            fuzz::require(online ? (links == headlines || links + 1 == headlines)
                                 : links == headlines,
                          "headlines and links in step");
        }
    }
    // Where the fast reader judges a document, its count of the rewritten size is exact.
    if (const std::optional<QByteArray> text = tarvo::decodeFeedDocument(document)) {
        tarvo::ListingBuilder builder(true, {}, 1 << 30);
        qint64 preparedSize = -1;
        if (tarvo::readFeedFast(*text, builder, nullptr, preparedSize) == tarvo::FastRead::Listed) {
            const std::optional<QByteArray> prepared = tarvo::prepareFeedDocument(*text);
            fuzz::require(prepared && prepared->size() == preparedSize,
                          "the fast reader counts the rewritten size exactly");
        }
    }
    return 0;
}
