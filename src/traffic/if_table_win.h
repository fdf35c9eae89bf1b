#pragma once

#include "traffic/if_table.h"

#include <vector>

struct _MIB_IF_TABLE2;

namespace tarvo {

// The rows of an IP Helper interface table as the counting rule reads them: filter layers
// left out, loopback and hardware marked.
std::vector<InterfaceRow> interfaceRows(const _MIB_IF_TABLE2& table);

// The interface table of the IP Helper service, with its 64-bit octet counters.
class IfTable2Source final : public InterfaceTableSource {
public:
    bool read(std::vector<InterfaceRow>& rows) override;
};

} // namespace tarvo
