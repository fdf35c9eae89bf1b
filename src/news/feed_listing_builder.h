#pragma once

#include "feed_parser.h"

#include <QString>
#include <QStringView>

#include <string_view>
#include <vector>

namespace tarvo {

// Builds a feed's listing from the elements and text of one read of the document, in
// order, and counts the limits on its shape. Both readers of the document drive it, so
// the listing rules live in one place.
class ListingBuilder {
public:
    enum class Element { Item, Headline, Link, Other };

    // textBudget bounds all the text collected: nested items would otherwise repeat the
    // same text for each item around it.
    ListingBuilder(bool isOnline, const FeedDocumentLimits& limits, qint64 textBudget);

    Element kindOf(QStringView qualifiedName) const;
    Element kindOf(std::string_view qualifiedName) const;

    // Each returns false when a limit is passed: the document then lists nothing.
    bool startElement(Element kind, qsizetype attributes);
    void endElement();
    bool characters(QStringView text);
    bool comment(); // a comment or processing instruction

    // Whether text read now would go into the listing: only then need it be converted.
    bool collecting() const { return collectors_ > 0; }
    qint64 collected() const { return collected_; }
    const FeedDocumentLimits& limits() const { return limits_; }
    FeedListing result() const;

private:
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

    const bool isOnline_;
    const FeedDocumentLimits limits_;
    const qint64 textBudget_;
    qint64 collected_ = 0;
    int collectors_ = 0; // open headline and link elements whose text is being collected
    std::vector<ItemText> items_;
    std::vector<size_t> open_;    // items whose element is open, outermost first
    std::vector<int> itemDepths_; // their depths
    int depth_ = 0;
    int markup_ = 0;
};

} // namespace tarvo
