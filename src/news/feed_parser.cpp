#include "feed_parser.h"

#include "feed_document.h"
#include "feed_fast_reader.h"
#include "feed_listing_builder.h"

#include <QXmlStreamReader>

namespace tarvo {

namespace {

constexpr int kTokensBetweenCancelChecks = 4096;

// The full XML reader, for the documents the fast one leaves to it.
FeedListing readWithQt(const QByteArray& text, bool isOnline, const FeedDocumentLimits& limits,
                       const std::atomic<bool>* cancelled) {
    const std::optional<QByteArray> prepared =
        prepareFeedDocument(text, limits.maxAttributesPerTag);
    if (!prepared || (cancelled && cancelled->load()))
        return {};
    QXmlStreamReader xml(*prepared);
    ListingBuilder builder(isOnline, limits, prepared->size());
    int tokens = 0;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (++tokens % kTokensBetweenCancelChecks == 0 && cancelled && cancelled->load())
            return {};
        bool ok = true;
        switch (token) {
        case QXmlStreamReader::StartElement:
            ok = builder.startElement(builder.kindOf(xml.qualifiedName()), xml.attributes().size());
            break;
        case QXmlStreamReader::EndElement:
            builder.endElement();
            break;
        case QXmlStreamReader::Characters:
            ok = builder.characters(xml.text());
            break;
        case QXmlStreamReader::Comment:
        case QXmlStreamReader::ProcessingInstruction:
            ok = builder.comment();
            break;
        case QXmlStreamReader::DTD:
        case QXmlStreamReader::EntityReference:
            // Declarations were dropped before the read: one seen here was hidden from
            // that step, and nothing it declares may take effect.
            ok = false;
            break;
        default:
            break;
        }
        if (!ok)
            return {};
    }
    return xml.hasError() ? FeedListing() : builder.result();
}

} // namespace

FeedListing parseFeed(const QByteArray& document, bool isOnline, const FeedDocumentLimits& limits,
                      const std::atomic<bool>* cancelled, const QByteArray& charset) {
    const std::optional<QByteArray> text = decodeFeedDocument(document, charset);
    if (!text || (cancelled && cancelled->load()))
        return {};
    {
        // The rewriting for the full reader can make the text at most 1.75 times longer
        // ("&Xi;" becomes "&#926;"): a bound on the budget while the exact one is counted.
        ListingBuilder builder(isOnline, limits, 2 * text->size() + 16);
        qint64 preparedSize = 0;
        switch (readFeedFast(*text, builder, cancelled, preparedSize)) {
        case FastRead::Listed:
            return builder.collected() <= preparedSize ? builder.result() : FeedListing();
        case FastRead::Refused:
            return {};
        case FastRead::Unsure:
            break;
        }
    }
    return readWithQt(*text, isOnline, limits, cancelled);
}

FeedListing parseFeedFully(const QByteArray& document, bool isOnline,
                           const FeedDocumentLimits& limits, const QByteArray& charset) {
    const std::optional<QByteArray> text = decodeFeedDocument(document, charset);
    return text ? readWithQt(*text, isOnline, limits, nullptr) : FeedListing();
}

} // namespace tarvo
