// Any bytes as /proc/net/route and /proc/net/ipv6_route: the default-route interfaces named
// are words of the table, each named once.
#include "fuzz_support.h"
#include "traffic/if_table_linux.h"
#include "traffic/route_table_linux.h"

#include <set>
#include <string>
#include <string_view>

static void check(const std::vector<std::string>& names, std::string_view table) {
    std::set<std::string> seen;
    for (const std::string& name : names) {
        fuzz::require(tarvo::isInterfaceName(name), "a name is one an interface can have");
        fuzz::require(!seen.count(name), "each interface is named once");
        fuzz::require(table.find(name) != std::string_view::npos, "a name comes from the table");
        seen.insert(name);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view table(reinterpret_cast<const char*>(data), size);
    check(tarvo::ipv4DefaultRouteInterfaces(table), table);
    check(tarvo::ipv6DefaultRouteInterfaces(table), table);
    return 0;
}
