#include "feed_parser.h"

#include "feed_document.h"

#include <QDomDocument>
#include <QDomElement>
#include <QDomNodeList>

namespace tarvo {

namespace {

std::optional<QString> firstText(const QDomElement& item, const QString& name) {
    const QDomNodeList found = item.elementsByTagName(name);
    if (found.isEmpty())
        return std::nullopt;
    return found.item(0).toElement().text();
}

} // namespace

FeedListing parseFeed(const QByteArray& document, bool isOnline) {
    FeedListing listing;
    const std::optional<QByteArray> prepared = prepareFeedDocument(document);
    if (!prepared)
        return listing;
    QDomDocument dom;
    if (!dom.setContent(*prepared))
        return listing;

    const QString headlineName = isOnline ? QStringLiteral("title") : QStringLiteral("description");
    const QString linkName = QStringLiteral("link");
    const QDomNodeList items = dom.elementsByTagName(QStringLiteral("item"));
    for (int i = 0; i < items.length(); ++i) {
        const QDomElement item = items.item(i).toElement();
        const std::optional<QString> headline = firstText(item, headlineName);
        if (!headline)
            break;
        listing.headlines.append(*headline + QLatin1Char(' '));
        const std::optional<QString> link = firstText(item, linkName);
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
