#pragma once

#include "router/router_reading.h"

#include <functional>

namespace tarvo {

// The home router as the meter sees it: asked once a second, never blocking; its readings
// come through onReading when its answers arrive.
class RouterSource {
public:
    virtual ~RouterSource() = default;
    // steadyMs: a monotonic clock's milliseconds, for when to read again.
    virtual void tick(qint64 steadyMs) = 0;
    // Ends the exchanges under way, as at a clean stop, so that what they send is sent now;
    // the next one comes at its time.
    virtual void endExchanges() {}
    // (Another default gateway is noticed by the source itself, at its own pace.)

    std::function<void(const RouterReading&)> onReading;
    // Each failure to find or read the router, as it happens; a reading after it clears it.
    std::function<void(const RouterFailure&)> onFailure;
};

} // namespace tarvo
