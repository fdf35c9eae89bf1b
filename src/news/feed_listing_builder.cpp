#include "feed_listing_builder.h"

namespace tarvo {

ListingBuilder::ListingBuilder(bool isOnline, const FeedDocumentLimits& limits, qint64 textBudget)
    : isOnline_(isOnline), limits_(limits), textBudget_(textBudget) {}

ListingBuilder::Element ListingBuilder::kindOf(QStringView name) const {
    if (name == u"item")
        return Element::Item;
    if (name == (isOnline_ ? u"title" : u"description"))
        return Element::Headline;
    return name == u"link" ? Element::Link : Element::Other;
}

ListingBuilder::Element ListingBuilder::kindOf(std::string_view name) const {
    if (name == "item")
        return Element::Item;
    if (name == (isOnline_ ? "title" : "description"))
        return Element::Headline;
    return name == "link" ? Element::Link : Element::Other;
}

bool ListingBuilder::startElement(Element kind, qsizetype attributes) {
    markup_ += 1 + int(attributes);
    if (++depth_ > limits_.maxDepth || markup_ > limits_.maxMarkup ||
        attributes > limits_.maxAttributesPerTag)
        return false;
    if (kind == Element::Item) {
        open_.push_back(items_.size());
        items_.emplace_back();
        itemDepths_.push_back(depth_);
        return true;
    }
    if (kind == Element::Other)
        return true;
    // The first such element among an open item's descendants is the one it lists.
    for (size_t index : open_) {
        ItemText& item = items_[index];
        if (kind == Element::Headline && !item.hasHeadline) {
            item.hasHeadline = item.collectingHeadline = true;
            item.headlineDepth = depth_;
            ++collectors_;
        }
        if (kind == Element::Link && !item.hasLink) {
            item.hasLink = item.collectingLink = true;
            item.linkDepth = depth_;
            ++collectors_;
        }
    }
    return true;
}

void ListingBuilder::endElement() {
    if (collectors_ > 0) {
        for (size_t index : open_) {
            ItemText& item = items_[index];
            if (item.collectingHeadline && item.headlineDepth == depth_) {
                item.collectingHeadline = false;
                --collectors_;
            }
            if (item.collectingLink && item.linkDepth == depth_) {
                item.collectingLink = false;
                --collectors_;
            }
        }
    }
    if (!itemDepths_.empty() && itemDepths_.back() == depth_) {
        itemDepths_.pop_back();
        open_.pop_back();
    }
    --depth_;
}

bool ListingBuilder::characters(QStringView text) {
    if (collectors_ == 0)
        return true;
    for (size_t index : open_) {
        ItemText& item = items_[index];
        for (auto [collecting, target] : {std::pair{item.collectingHeadline, &item.headline},
                                          std::pair{item.collectingLink, &item.link}}) {
            if (!collecting)
                continue;
            collected_ += text.size();
            if (collected_ > textBudget_)
                return false;
            target->append(text);
        }
    }
    return true;
}

bool ListingBuilder::comment() {
    return ++markup_ <= limits_.maxMarkup;
}

FeedListing ListingBuilder::result() const {
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

} // namespace tarvo
