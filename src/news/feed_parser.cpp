#include "feed_parser.h"

#include "feed_document.h"

#include <QXmlStreamReader>

#include <vector>

namespace tarvo {

namespace {

constexpr int kTokensBetweenCancelChecks = 4096;

// What one item collects while the read goes through it.
struct ItemText {
    QString headline;
    QString link;
    bool hasHeadline = false; // its first headline element has been entered
    bool hasLink = false;
    int headlineDepth = 0; // depth of that element while its text is being collected
    int linkDepth = 0;
    bool collectingHeadline = false;
    bool collectingLink = false;
};

class Listing {
public:
    Listing(bool isOnline, const FeedDocumentLimits& limits, qint64 textBudget)
        : headlineName_(isOnline ? QStringLiteral("title") : QStringLiteral("description")),
          isOnline_(isOnline), limits_(limits), textBudget_(textBudget) {}

    bool read(QXmlStreamReader& xml, const std::atomic<bool>* cancelled) {
        int tokens = 0;
        while (!xml.atEnd()) {
            const QXmlStreamReader::TokenType token = xml.readNext();
            if (++tokens % kTokensBetweenCancelChecks == 0 && cancelled && cancelled->load())
                return false;
            switch (token) {
            case QXmlStreamReader::StartElement:
                if (!startElement(xml))
                    return false;
                break;
            case QXmlStreamReader::EndElement:
                endElement();
                break;
            case QXmlStreamReader::Characters:
                if (!characters(xml.text()))
                    return false;
                break;
            case QXmlStreamReader::Comment:
            case QXmlStreamReader::ProcessingInstruction:
                if (++markup_ > limits_.maxMarkup)
                    return false;
                break;
            case QXmlStreamReader::DTD:
            case QXmlStreamReader::EntityReference:
                // Declarations were dropped before the read: one seen here was hidden from
                // that step, and nothing it declares may take effect.
                return false;
            default:
                break;
            }
        }
        return !xml.hasError();
    }

    FeedListing result() const {
        FeedListing listing;
        for (const ItemText& item : items_) {
            if (!item.hasHeadline)
                break;
            listing.headlines.append(item.headline + QLatin1Char(' '));
            if (item.hasLink) {
                listing.links.append(item.link + QLatin1Char(' '));
            } else if (isOnline_) {
                break;
            } else {
                listing.links.append(QString());
            }
        }
        return listing;
    }

private:
    bool startElement(const QXmlStreamReader& xml) {
        const qsizetype attributes = xml.attributes().size();
        markup_ += 1 + int(attributes);
        if (++depth_ > limits_.maxDepth || markup_ > limits_.maxMarkup ||
            attributes > limits_.maxAttributesPerTag)
            return false;
        const QStringView name = xml.qualifiedName();
        if (name == u"item") {
            open_.push_back(items_.size());
            items_.emplace_back();
            itemDepths_.push_back(depth_);
            return true;
        }
        const bool headline = name == headlineName_;
        const bool link = name == u"link";
        if (!headline && !link)
            return true;
        // The first such element among an open item's descendants is the one it lists.
        for (size_t index : open_) {
            ItemText& item = items_[index];
            if (headline && !item.hasHeadline) {
                item.hasHeadline = item.collectingHeadline = true;
                item.headlineDepth = depth_;
            }
            if (link && !item.hasLink) {
                item.hasLink = item.collectingLink = true;
                item.linkDepth = depth_;
            }
        }
        return true;
    }

    void endElement() {
        for (size_t index : open_) {
            ItemText& item = items_[index];
            if (item.collectingHeadline && item.headlineDepth == depth_)
                item.collectingHeadline = false;
            if (item.collectingLink && item.linkDepth == depth_)
                item.collectingLink = false;
        }
        if (!itemDepths_.empty() && itemDepths_.back() == depth_) {
            itemDepths_.pop_back();
            open_.pop_back();
        }
        --depth_;
    }

    // Text goes to every item collecting it. Texts listed from distinct elements are parts
    // of the document; nested ones would repeat the same text for each item around them, so
    // all the text listed may not be longer than the document.
    bool characters(QStringView text) {
        for (size_t index : open_) {
            ItemText& item = items_[index];
            for (auto [collecting, target] : {std::pair{item.collectingHeadline, &item.headline},
                                              std::pair{item.collectingLink, &item.link}}) {
                if (!collecting)
                    continue;
                textBudget_ -= text.size();
                if (textBudget_ < 0)
                    return false;
                target->append(text);
            }
        }
        return true;
    }

    const QString headlineName_;
    const bool isOnline_;
    const FeedDocumentLimits& limits_;
    qint64 textBudget_;
    std::vector<ItemText> items_;
    std::vector<size_t> open_;    // items whose element is open, outermost first
    std::vector<int> itemDepths_; // their depths
    int depth_ = 0;
    int markup_ = 0;
};

} // namespace

FeedListing parseFeed(const QByteArray& document, bool isOnline, const FeedDocumentLimits& limits,
                      const std::atomic<bool>* cancelled) {
    const std::optional<QByteArray> prepared = prepareFeedDocument(document);
    if (!prepared || (cancelled && cancelled->load()))
        return {};
    QXmlStreamReader xml(*prepared);
    Listing listing(isOnline, limits, prepared->size());
    if (!listing.read(xml, cancelled))
        return {};
    return listing.result();
}

} // namespace tarvo
