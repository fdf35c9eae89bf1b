#pragma once

#include "common/connection_probe.h"
#include "traffic/if_table.h"

#include <QDateTime>
#include <QString>

#include <functional>

#include <memory>
#include <string>

namespace tarvo {

// The platform's interface counters and connected state.
std::unique_ptr<InterfaceTableSource> makeInterfaceTableSource();
std::unique_ptr<ConnectionProbe> makeConnectionProbe();

// The IPv4 address of the default gateway, dotted; empty when there is none. Cheap to ask
// every few seconds: the routes are read again only when they changed.
std::function<QString()> makeDefaultGateway();

// What tells this boot of the computer from every other; empty when it cannot be known.
std::string bootIdentity();

// When the computer started, by the wall clock now; invalid when it cannot be known.
QDateTime bootTime();

} // namespace tarvo
