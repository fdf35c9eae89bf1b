#pragma once

#include "common/connection_probe.h"
#include "traffic/if_table.h"

#include <QDateTime>

#include <memory>
#include <string>

namespace tarvo {

// The platform's interface counters and connected state.
std::unique_ptr<InterfaceTableSource> makeInterfaceTableSource();
std::unique_ptr<ConnectionProbe> makeConnectionProbe();

// What tells this boot of the computer from every other; empty when it cannot be known.
std::string bootIdentity();

// When the computer started, by the wall clock now; invalid when it cannot be known.
QDateTime bootTime();

} // namespace tarvo
