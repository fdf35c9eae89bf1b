#pragma once

#include <QByteArray>

#include <optional>

namespace tarvo {

// Makes a fetched document ready for the XML reader, or refuses it.
//
// Feeds need no DTD, so a document type declaration is dropped with its internal subset:
// nothing it declares expands and nothing it names is read. The HTML 4 named entities that
// old feeds use without declaring them become character references; any other undeclared
// entity still makes the read fail. The text is decoded by its byte-order mark or XML
// declaration and given back as UTF-8 without a declaration. Unterminated markup and
// undecodable text are refused. The limits on the document's shape are the reader's to
// count (see parseFeed): this step only rewrites.
std::optional<QByteArray> prepareFeedDocument(const QByteArray& bytes);

} // namespace tarvo
