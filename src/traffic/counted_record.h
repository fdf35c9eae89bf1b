#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

// An interface's kernel counters up to which the saved totals already hold its traffic.
struct LinkCounters {
    std::string name;
    std::uint32_t ifindex = 0;
    std::uint64_t in = 0;
    std::uint64_t out = 0;

    bool operator==(const LinkCounters&) const = default;
};

// Saved with the totals, so that a restart within the same boot counts nothing twice: the
// boot's identity and, per interface, the counters the totals include.
struct CountedRecord {
    std::string bootId;
    std::vector<LinkCounters> links;

    bool operator==(const CountedRecord&) const = default;
};

// One reading of the counters as the savers take it.
struct CounterReading {
    bool taken = false; // the last refresh read the interface table
    std::uint64_t received = 0;
    std::uint64_t sent = 0;
    CountedRecord record; // what the totals then hold of each interface's counters
};

// The record as the lines that follow the totals line, each ending in CR LF:
// "boot <id>", then "link <name> <ifindex> <in> <out>" per interface, the name
// percent-encoded. An empty boot identity gives no lines.
std::string formatCountedRecord(const CountedRecord& record);

// The record from the text after the totals line; nothing when it is missing or damaged in
// any way, so that a damaged record never takes traffic off the totals that it should not.
std::optional<CountedRecord> parseCountedRecord(std::string_view text);

} // namespace tarvo
