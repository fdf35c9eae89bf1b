#pragma once

#include <cstdint>
#include <string>

namespace tarvo {

// Traffic one interface carried as counted by this run. A header of its own: the history
// records it per minute and sees nothing else of traffic.
struct LinkCount {
    std::string name;
    std::uint64_t in = 0;
    std::uint64_t out = 0;

    bool operator==(const LinkCount&) const = default;
};

} // namespace tarvo
