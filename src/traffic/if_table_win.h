#pragma once

#include "traffic/if_table.h"

namespace tarvo {

// The interface table of the IP Helper service, with its 64-bit octet counters.
class IfTable2Source final : public InterfaceTableSource {
public:
    bool read(std::vector<InterfaceRow>& rows) override;
};

} // namespace tarvo
