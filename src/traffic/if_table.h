#pragma once

#include <string>
#include <vector>

namespace tarvo {

// One row of the platform's interface table: the interface's own counters, counted since
// it came up, and its description, which tells a loopback interface apart.
struct InterfaceRow {
    std::string name;        // identifies the interface across readings
    std::string description; // begins "Loopback" for a loopback interface
    unsigned long long inOctets = 0;
    unsigned long long outOctets = 0;
};

class InterfaceTableSource {
public:
    virtual ~InterfaceTableSource() = default;
    // Replaces rows with the current table; false when the table cannot be read.
    virtual bool read(std::vector<InterfaceRow>& rows) = 0;
};

} // namespace tarvo
