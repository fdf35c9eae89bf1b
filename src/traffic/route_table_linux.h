#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

// The interfaces that IPv4 default routes go through, from the text of /proc/net/route
// (routes that are up and do not reject). Names no interface can have are left out.
std::vector<std::string> ipv4DefaultRouteInterfaces(std::string_view routeText);

// The gateway of the IPv4 default route with the lowest metric, dotted ("192.0.2.1"); empty
// when no default route goes through a gateway.
std::string ipv4DefaultGateway(std::string_view routeText);

// The same from /proc/net/ipv6_route.
std::vector<std::string> ipv6DefaultRouteInterfaces(std::string_view ipv6RouteText);

} // namespace tarvo
