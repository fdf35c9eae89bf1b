#pragma once

#include "common/connection_probe.h"

namespace tarvo {

// The system's own internet connected-state.
class WinInetConnectionProbe final : public ConnectionProbe {
public:
    bool isConnected() override;
};

} // namespace tarvo
