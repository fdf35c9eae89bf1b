#pragma once

#include "feed_listing_builder.h"

#include <QByteArray>

#include <atomic>

namespace tarvo {

enum class FastRead {
    Listed,  // the document is well-formed; the builder holds its listing
    Refused, // a limit was passed or the read was cancelled: the document lists nothing
    Unsure,  // the document steps outside what this reader checks: the full reader decides
};

// One pass over decoded UTF-8 text that checks well-formedness and drives the builder.
// It knows the shape real feeds have (ASCII names, declared namespace prefixes, the
// predefined, numeric and HTML entities) and checks it strictly; anything else, every
// error included, it leaves to the full XML reader rather than judge it differently.
//
// preparedSize receives the size the document has once its declaration and DTD are
// dropped and its HTML entities made character references: the text budget of the full
// reader, which the caller applies to the builder's collected text.
FastRead readFeedFast(const QByteArray& utf8, ListingBuilder& builder,
                      const std::atomic<bool>* cancelled, qint64& preparedSize);

} // namespace tarvo
