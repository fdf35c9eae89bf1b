#pragma once

#include "traffic/if_table.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

// Which interfaces carry the computer's own traffic, each byte once, where it leaves or
// enters the computer: the physical links (also as ports of a bridge or bond); a PPP link
// with a default route whose frames travel on no other link; and, on a computer without a
// physical link (a container), the links with a default route. Loopback never counts.
// With patterns (names or shell patterns such as "usb*"), exactly the matching links count.
std::vector<bool> chooseCounted(const std::vector<InterfaceRow>& rows,
                                const std::vector<std::string>& patterns = {});

// Whether the default routes can change what chooseCounted says for these rows.
bool defaultRoutesMatter(const std::vector<InterfaceRow>& rows);

// Whether a description names a loopback interface: "loop", in any case, within its first
// 26 characters.
bool isLoopbackDescription(std::string_view description);

// A hardware link: a device behind it and no link of its own stacked underneath.
bool isPhysical(const InterfaceRow& row);

// The patterns of a comma-separated setting, blanks around each dropped, empty ones left out.
std::vector<std::string> splitPatterns(std::string_view setting);

// Shell pattern match of a whole name: "*", "?", "[a-z]", "[!0-9]", "\" quotes.
bool matchesPattern(std::string_view pattern, std::string_view name);

} // namespace tarvo
