#pragma once

#include "traffic/route_changes_linux.h"

#include <utility>

// Route changes the test announces by setting the flag it points to.
class FakeRouteChanges : public tarvo::RouteChanges {
public:
    bool* changed;
    explicit FakeRouteChanges(bool* flag) : changed(flag) {}
    bool changedSinceLastAsk() override { return std::exchange(*changed, false); }
};
