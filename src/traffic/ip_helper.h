#pragma once

#include "traffic/if_table.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tarvo {

// Turns the interface table into all bytes received and sent by the computer's network
// interfaces, loopback left out. The sums never fall within a run: an interface that
// leaves the table, or whose counters restart, keeps its last counters in a retired part.
class CIpHelper {
public:
    explicit CIpHelper(InterfaceTableSource& source);

    // Reads the table afresh; true when at least one interface was counted. A table that
    // cannot be read gives false and zero sums, and keeps the retired part for later.
    bool InitInterfaces();

    std::uint64_t BytesReceived() const { return receivedSum_; }
    std::uint64_t BytesSent() const { return sentSum_; }

    // Whether a description names a loopback interface: "loop", in any case, within its
    // first 26 characters.
    static bool isLoopbackDescription(const std::string& description);

private:
    struct Counted {
        std::string name;
        std::uint64_t in = 0;
        std::uint64_t out = 0;
    };

    InterfaceTableSource& source_;
    std::vector<InterfaceRow> rows_;
    std::vector<Counted> last_;
    std::vector<Counted> current_;
    std::uint64_t retiredIn_ = 0;
    std::uint64_t retiredOut_ = 0;
    std::uint64_t receivedSum_ = 0;
    std::uint64_t sentSum_ = 0;
};

} // namespace tarvo
