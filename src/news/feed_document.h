#pragma once

#include <QByteArray>

#include <optional>

namespace tarvo {

// The text of a fetched document as UTF-8, or nothing when it cannot be decoded. The
// encoding is the byte-order mark's, else the one the XML declaration names, else the
// transport's charset (HTTP Content-Type), else UTF-8. A byte-order mark, and blanks before
// the declaration (common in real feeds, though not well-formed), are dropped; the
// declaration itself stays.
std::optional<QByteArray> decodeFeedDocument(const QByteArray& bytes,
                                             const QByteArray& charset = {});

// Makes decoded text ready for the XML reader, or refuses it.
//
// Feeds need no DTD, so a document type declaration is dropped with its internal subset:
// nothing it declares expands and nothing it names is read. The HTML 4 named entities that
// old feeds use without declaring them become character references; any other undeclared
// entity still makes the read fail. The XML declaration goes, since the text is no longer
// in the encoding it names. Unterminated markup, and a tag with more attributes than
// maxAttributesPerTag (namespace declarations aside, as the reader counts them), are
// refused. The other limits on the document's shape are the reader's to count (see
// parseFeed).
std::optional<QByteArray> prepareFeedDocument(const QByteArray& utf8,
                                              int maxAttributesPerTag = 256);

} // namespace tarvo
