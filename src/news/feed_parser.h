#pragma once

#include <QByteArray>
#include <QStringList>

namespace tarvo {

// The headline list and the link list of a feed: entry i of each belongs to item i.
struct FeedListing {
    QStringList headlines;
    QStringList links;
};

// Lists every "item" element of an RSS document, at any depth and in document order: the
// text of its first "title" (offline: first "description") and of its first "link" among
// all its descendants, each followed by one space. Online, the listing ends at the first
// item without a title, or after the headline of the first item without a link. Offline,
// it ends at the first item without a description, and an item without a link gets an
// empty link entry so that every headline keeps its link at the same index. A document
// that cannot be loaded lists nothing.
FeedListing parseFeed(const QByteArray& document, bool isOnline);

} // namespace tarvo
