#pragma once

#include "common/connection_probe.h"
#include "traffic/if_table.h"

#include <memory>
#include <string>

namespace tarvo {

// The platform's interface counters and connected state.
std::unique_ptr<InterfaceTableSource> makeInterfaceTableSource();
std::unique_ptr<ConnectionProbe> makeConnectionProbe();

// What tells this boot of the computer from every other; empty when it cannot be known.
std::string bootIdentity();

} // namespace tarvo
