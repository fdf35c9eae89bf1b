#pragma once

#include "traffic/counted_record.h"
#include "traffic/if_table.h"
#include "traffic/link_count.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tarvo {

// Turns the interface table into all bytes received and sent by the computer, each byte
// counted once where it leaves or enters the computer (see chooseCounted). The sums never
// fall within a run: an interface that leaves the table, stops being counted, or whose
// counters restart, keeps what it counted in a retired part. An interface that starts
// being counted during a run counts from that moment; at the first sight of an interface,
// the counters that a record of an earlier run in the same boot says the saved totals
// already hold are taken off.
class CIpHelper {
public:
    explicit CIpHelper(InterfaceTableSource& source);

    // The "interfaces" setting: names or shell patterns that replace the automatic choice.
    void setPatterns(std::vector<std::string> patterns) { patterns_ = std::move(patterns); }

    // What the saved totals already hold, as recorded by an earlier run; used only when it
    // was recorded in this boot. Called before the first reading.
    void setStartRecord(const CountedRecord& record, const std::string& bootId);

    // Reads the table afresh; true when at least one interface was counted. A table that
    // cannot be read gives false and zero sums, and keeps the retired part for later.
    bool InitInterfaces();

    std::uint64_t BytesReceived() const { return receivedSum_; }
    std::uint64_t BytesSent() const { return sentSum_; }

    // Whether the last refresh read the table.
    bool hasReading() const { return readOk_; }

    // The counted interfaces of the last reading, in table order.
    std::vector<std::string> countedNames() const;

    // The record that goes with the sums of the last reading: per interface, the counters
    // up to which the totals (saved totals plus these sums) hold its traffic.
    CountedRecord record() const;

    // Per interface ever counted in this run, in the order first counted: what it added to
    // the sums up to the last reading, the counters that a reset ceased to take off excluded.
    // The differences between two calls are the traffic counted in between, interface by
    // interface, and add up to the growth of the sums (less a reset's jump).
    std::vector<LinkCount> countedByLink() const;

    // The counted interfaces of the last reading whose count in this run began at their own
    // start: nothing a record held was taken off and they were not first counted mid-run. At
    // the first reading, what they counted is the traffic since they came up.
    std::vector<std::string> countedSinceLinkStart() const;

    // The sums and record of the last reading, as the savers take them.
    CounterReading reading() const { return {readOk_, receivedSum_, sentSum_, record()}; }

    // From now on the sums are the counted interfaces' traffic since the computer started,
    // as after a reset of the totals: nothing is taken off any more. Returns how much the
    // next sums grow by that alone.
    std::pair<std::uint64_t, std::uint64_t> countFromBoot();

    // Whether a description names a loopback interface: "loop", in any case, within its
    // first 26 characters.
    static bool isLoopbackDescription(const std::string& description);

private:
    struct Link {
        std::string name;
        std::uint32_t ifindex = 0;
        std::uint64_t in = 0; // counters of the last reading
        std::uint64_t out = 0;
        std::uint64_t baseIn = 0; // counters below which this run does not count
        std::uint64_t baseOut = 0;
        bool counted = false;
        bool recorded = false; // its counters go into the record
        bool sinceStart = true; // counted from its counters' zero
    };

    void firstSight(Link& link, const InterfaceRow& row);
    void retire(const Link& link, std::uint64_t in, std::uint64_t out);
    LinkCount& offsetOf(const std::string& name);

    InterfaceTableSource& source_;
    std::vector<std::string> patterns_;
    CountedRecord startRecord_;
    std::vector<InterfaceRow> rows_;
    std::vector<Link> links_; // table order of the last reading
    std::vector<Link> next_;
    bool readOk_ = false;
    std::uint64_t retiredIn_ = 0;
    std::uint64_t retiredOut_ = 0;
    std::uint64_t receivedSum_ = 0;
    std::uint64_t sentSum_ = 0;
    // Per interface name: retired traffic less what a reset added, modulo 2^64; the current
    // part of a counted link is added to it.
    std::vector<LinkCount> offsets_;
};

} // namespace tarvo
