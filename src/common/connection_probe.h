#pragma once

namespace tarvo {

// Whether the computer is connected to a network beyond itself, asked once a second.
class ConnectionProbe {
public:
    virtual ~ConnectionProbe() = default;
    virtual bool isConnected() = 0;
};

} // namespace tarvo
