#pragma once

#include "common/connection_probe.h"
#include "traffic/if_table.h"

#include <memory>

namespace tarvo {

// The platform's interface counters and connected state.
std::unique_ptr<InterfaceTableSource> makeInterfaceTableSource();
std::unique_ptr<ConnectionProbe> makeConnectionProbe();

} // namespace tarvo
