#include "traffic/platform.h"

#include "traffic/connection_probe_win.h"
#include "traffic/if_table_win.h"

namespace tarvo {

std::unique_ptr<InterfaceTableSource> makeInterfaceTableSource() {
    return std::make_unique<IfTable2Source>();
}

std::unique_ptr<ConnectionProbe> makeConnectionProbe() {
    return std::make_unique<WinInetConnectionProbe>();
}

} // namespace tarvo
