#pragma once

#include <QByteArray>

#include <optional>

namespace tarvo {

struct FeedDocumentLimits {
    int maxDepth = 64;             // feeds nest a handful of levels; each level slows the parse
    int maxMarkup = 300000;        // elements, attributes, comments and instructions together
    int maxAttributesPerTag = 256; // the parser checks duplicates pairwise
};

// Makes a fetched document safe to hand to the DOM parser, or refuses it.
//
// Feeds need no DTD, so a document type declaration is dropped with its internal subset:
// nothing it declares expands and nothing it names is read. The HTML 4 named entities that
// old feeds use without declaring them become character references; any other undeclared
// entity still makes the parse fail. The text is decoded by its byte-order mark or XML
// declaration and given back as UTF-8 without a declaration. Documents nested or built
// beyond the limits, unterminated markup and undecodable text are refused.
std::optional<QByteArray> prepareFeedDocument(const QByteArray& bytes,
                                              const FeedDocumentLimits& limits = {});

} // namespace tarvo
