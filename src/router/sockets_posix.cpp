#include "router/router_discovery.h"

namespace tarvo {

void startSockets() {}

} // namespace tarvo
