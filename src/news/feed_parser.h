#pragma once

#include <QByteArray>
#include <QStringList>

#include <atomic>

namespace tarvo {

// The headline list and the link list of a feed: entry i of each belongs to item i.
struct FeedListing {
    QStringList headlines;
    QStringList links;
};

struct FeedDocumentLimits {
    int maxDepth = 64;             // feeds nest a handful of levels
    int maxMarkup = 300000;        // elements, attributes, comments and instructions together
    int maxAttributesPerTag = 256; // real tags carry a few
};

// Lists every "item" element of an RSS document, at any depth and in document order: the
// text of its first "title" (offline: first "description") and of its first "link" among
// all its descendants, each followed by one space. Online, the listing ends at the first
// item without a title, or after the headline of the first item without a link. Offline,
// it ends at the first item without a description, and an item without a link gets an
// empty link entry so that every headline keeps its link at the same index. A document
// that cannot be loaded, or that is nested or built beyond the limits, lists nothing.
//
// One streaming read of the document both builds the listing and counts every limit, so
// that nothing a separate scan could misread gets past them, and the work stays linear in
// the document. A cancel flag that turns true ends the read within a few thousand tokens;
// a cancelled read lists nothing. charset is the transport's (HTTP Content-Type), used
// when the document names no encoding.
FeedListing parseFeed(const QByteArray& document, bool isOnline,
                      const FeedDocumentLimits& limits = {},
                      const std::atomic<bool>* cancelled = nullptr, const QByteArray& charset = {});

// The same listing through the full XML reader alone, which parseFeed leaves the documents
// to that its fast reader does not judge: the reference the fast reader is held to.
FeedListing parseFeedFully(const QByteArray& document, bool isOnline,
                           const FeedDocumentLimits& limits = {}, const QByteArray& charset = {});

} // namespace tarvo
