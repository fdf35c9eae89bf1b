#include "traffic/ip_helper.h"

#include "traffic/counting_rule.h"

#include <algorithm>

namespace tarvo {

CIpHelper::CIpHelper(InterfaceTableSource& source) : source_(source) {}

bool CIpHelper::isLoopbackDescription(const std::string& description) {
    return tarvo::isLoopbackDescription(description);
}

void CIpHelper::setStartRecord(const CountedRecord& record, const std::string& bootId) {
    startRecord_ = CountedRecord{bootId, {}};
    if (!bootId.empty() && record.bootId == bootId)
        startRecord_.links = record.links;
}

void CIpHelper::firstSight(Link& link, const InterfaceRow& row) {
    // The totals already hold what an earlier run in this boot counted on this very link;
    // a link made anew since (another ifindex, counters that fell) counts from 0.
    for (const LinkCounters& saved : startRecord_.links) {
        if (saved.name != row.name)
            continue;
        if (saved.ifindex != row.ifindex)
            return;
        link.baseIn = row.inOctets >= saved.in ? saved.in : 0;
        link.baseOut = row.outOctets >= saved.out ? saved.out : 0;
        link.recorded = true;
        link.sinceStart = false;
        return;
    }
}

LinkCount& CIpHelper::offsetOf(const std::string& name) {
    auto it = std::find_if(offsets_.begin(), offsets_.end(),
                           [&](const LinkCount& c) { return c.name == name; });
    if (it != offsets_.end())
        return *it;
    offsets_.push_back({name, 0, 0});
    return offsets_.back();
}

void CIpHelper::retire(const Link& link, std::uint64_t in, std::uint64_t out) {
    const std::uint64_t gainIn = in - std::min(in, link.baseIn);
    const std::uint64_t gainOut = out - std::min(out, link.baseOut);
    retiredIn_ += gainIn;
    retiredOut_ += gainOut;
    LinkCount& offset = offsetOf(link.name);
    offset.in += gainIn;
    offset.out += gainOut;
}

bool CIpHelper::InitInterfaces() {
    receivedSum_ = 0;
    sentSum_ = 0;
    if (!source_.read(rows_)) {
        readOk_ = false;
        return false;
    }
    readOk_ = true;

    const std::vector<bool> counted = chooseCounted(rows_, patterns_);
    next_.clear();
    for (size_t i = 0; i < rows_.size(); ++i) {
        const InterfaceRow& row = rows_[i];
        if (isLoopbackDescription(row.description) || row.kind == LinkKind::Loopback)
            continue;
        auto before = std::find_if(links_.begin(), links_.end(),
                                   [&](const Link& l) { return l.name == row.name; });
        Link link;
        if (before == links_.end()) {
            link.name = row.name;
            firstSight(link, row);
        } else {
            link = *before;
            before->name.clear(); // seen: not gone
            if (row.ifindex != link.ifindex) {
                // Made anew under the same name: what it counted stays, the new one counts
                // from 0.
                if (link.counted)
                    retire(link, link.in, link.out);
                link.baseIn = link.baseOut = 0;
                link.recorded = false;
                link.sinceStart = true;
            } else if (link.counted != counted[i]) {
                if (link.counted)
                    retire(link, row.inOctets, row.outOctets);
                else {
                    // Counted from this moment, not with what it carried before.
                    link.baseIn = row.inOctets;
                    link.baseOut = row.outOctets;
                    link.sinceStart = false;
                }
            } else if (link.counted) {
                // Counters that restart keep what they had counted.
                if (row.inOctets < link.in) {
                    retire(link, link.in, 0);
                    link.baseIn = 0;
                }
                if (row.outOctets < link.out) {
                    retire(link, 0, link.out);
                    link.baseOut = 0;
                }
            }
            link.baseIn = std::min<std::uint64_t>(link.baseIn, row.inOctets);
            link.baseOut = std::min<std::uint64_t>(link.baseOut, row.outOctets);
        }
        link.ifindex = row.ifindex;
        link.in = row.inOctets;
        link.out = row.outOctets;
        link.counted = counted[i];
        link.recorded = link.recorded || link.counted;
        next_.push_back(std::move(link));
    }
    // What an interface counted before it went away stays in the totals.
    for (const Link& gone : links_)
        if (!gone.name.empty() && gone.counted)
            retire(gone, gone.in, gone.out);
    links_.swap(next_);

    bool any = false;
    receivedSum_ = retiredIn_;
    sentSum_ = retiredOut_;
    for (const Link& link : links_) {
        if (!link.counted)
            continue;
        offsetOf(link.name);
        any = true;
        receivedSum_ += link.in - link.baseIn;
        sentSum_ += link.out - link.baseOut;
    }
    return any;
}

std::vector<LinkCount> CIpHelper::countedByLink() const {
    std::vector<LinkCount> out = offsets_;
    for (LinkCount& count : out) {
        for (const Link& link : links_) {
            if (link.counted && link.name == count.name) {
                count.in += link.in - link.baseIn;
                count.out += link.out - link.baseOut;
            }
        }
    }
    return out;
}

std::vector<std::string> CIpHelper::countedSinceLinkStart() const {
    std::vector<std::string> names;
    for (const Link& link : links_)
        if (link.counted && link.sinceStart)
            names.push_back(link.name);
    return names;
}

std::vector<std::string> CIpHelper::countedNames() const {
    std::vector<std::string> names;
    for (const Link& link : links_)
        if (link.counted)
            names.push_back(link.name);
    return names;
}

CountedRecord CIpHelper::record() const {
    // Without a reading the sums are 0: the totals hold what they held at the start.
    if (!readOk_)
        return startRecord_;
    CountedRecord out{startRecord_.bootId, {}};
    for (const Link& link : links_)
        if (link.recorded)
            out.links.push_back({link.name, link.ifindex, link.in, link.out});
    return out;
}

std::pair<std::uint64_t, std::uint64_t> CIpHelper::countFromBoot() {
    std::uint64_t in = 0, out = 0;
    for (Link& link : links_) {
        if (link.counted) {
            in += link.baseIn;
            out += link.baseOut;
            // The sums jump by the base; this interface's own count does not.
            LinkCount& offset = offsetOf(link.name);
            offset.in -= link.baseIn;
            offset.out -= link.baseOut;
        }
        link.baseIn = link.baseOut = 0;
    }
    startRecord_.links.clear();
    return {in, out};
}

} // namespace tarvo
