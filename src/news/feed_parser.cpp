#include "feed_parser.h"

#include "feed_document.h"

#include <QDomDocument>
#include <QDomElement>
#include <QDomNodeList>

namespace tarvo {

namespace {

// The walk over one document is bounded. Items nested in items would otherwise make the
// searches quadratic, and titles nested in titles would list the same text over and over:
// a megabyte could grow into gigabytes. Real feeds stay far inside both bounds.
class Walk {
public:
    Walk(qint64 visits, qint64 chars) : visits_(visits), chars_(chars) {}

    bool exhausted() const { return visits_ < 0 || chars_ < 0; }

    // The first element of that name among the descendants of root, in document order.
    std::optional<QDomElement> firstDescendant(const QDomElement& root, const QString& name) {
        for (QDomNode node = root.firstChild(); !node.isNull(); node = next(node, root)) {
            if (--visits_ < 0)
                return std::nullopt;
            if (node.isElement() && node.nodeName() == name)
                return node.toElement();
        }
        return std::nullopt;
    }

    // QDomElement::text(), within the characters the listing may still take.
    std::optional<QString> text(const QDomElement& element) {
        QString out;
        for (QDomNode node = element.firstChild(); !node.isNull(); node = next(node, element)) {
            if (--visits_ < 0)
                return std::nullopt;
            if (node.isText() || node.isCDATASection()) {
                out += node.nodeValue();
                if (out.size() > chars_) {
                    chars_ = -1;
                    return std::nullopt;
                }
            }
        }
        chars_ -= out.size() + 1; // and its space
        return out;
    }

private:
    static QDomNode next(const QDomNode& node, const QDomNode& root) {
        const QDomNode child = node.firstChild();
        if (!child.isNull())
            return child;
        for (QDomNode n = node; n != root; n = n.parentNode()) {
            const QDomNode sibling = n.nextSibling();
            if (!sibling.isNull())
                return sibling;
        }
        return QDomNode();
    }

    qint64 visits_;
    qint64 chars_;
};

std::optional<QString> firstText(Walk& walk, const QDomElement& item, const QString& name) {
    const std::optional<QDomElement> found = walk.firstDescendant(item, name);
    if (!found)
        return std::nullopt;
    return walk.text(*found);
}

} // namespace

FeedListing parseFeed(const QByteArray& document, bool isOnline) {
    FeedListing listing;
    const FeedDocumentLimits limits;
    const std::optional<QByteArray> prepared = prepareFeedDocument(document, limits);
    if (!prepared)
        return listing;
    QDomDocument dom;
    if (!dom.setContent(*prepared))
        return listing;

    // A feed's items do not nest, so its searches and texts step over each node about once
    // (a node is markup or the text after it). Text listed from distinct elements is part
    // of the document, so it cannot be longer than the document.
    Walk walk(qint64(limits.maxMarkup) * 4, prepared->size());
    const QString headlineName = isOnline ? QStringLiteral("title") : QStringLiteral("description");
    const QString linkName = QStringLiteral("link");
    const QDomNodeList items = dom.elementsByTagName(QStringLiteral("item"));
    for (int i = 0; i < items.length(); ++i) {
        const QDomElement item = items.item(i).toElement();
        const std::optional<QString> headline = firstText(walk, item, headlineName);
        if (walk.exhausted())
            return FeedListing();
        if (!headline)
            break;
        listing.headlines.append(*headline + QLatin1Char(' '));
        const std::optional<QString> link = firstText(walk, item, linkName);
        if (walk.exhausted())
            return FeedListing();
        if (link) {
            listing.links.append(*link + QLatin1Char(' '));
        } else if (isOnline) {
            break;
        } else {
            listing.links.append(QString());
        }
    }
    return listing;
}

} // namespace tarvo
