#include "traffic/counting_rule.h"

#include <algorithm>
#include <cctype>

namespace tarvo {

bool isLoopbackDescription(std::string_view description) {
    // The table's description is fixed-size text that ends at its first NUL.
    const size_t n = std::min<size_t>(std::min(description.size(), description.find('\0')), 26);
    for (size_t i = 0; i + 4 <= n; ++i) {
        auto lower = [&](size_t k) {
            return char(std::tolower(static_cast<unsigned char>(description[i + k])));
        };
        if (lower(0) == 'l' && lower(1) == 'o' && lower(2) == 'o' && lower(3) == 'p')
            return true;
    }
    return false;
}

bool isPhysical(const InterfaceRow& row) {
    return row.hasDevice && row.kind == LinkKind::Plain;
}

namespace {

bool isLoopback(const InterfaceRow& row) {
    return row.kind == LinkKind::Loopback || isLoopbackDescription(row.description);
}

bool anyPhysical(const std::vector<InterfaceRow>& rows) {
    return std::any_of(rows.begin(), rows.end(),
                       [](const InterfaceRow& r) { return isPhysical(r) && !isLoopback(r); });
}

} // namespace

std::vector<bool> chooseCounted(const std::vector<InterfaceRow>& rows,
                                const std::vector<std::string>& patterns) {
    std::vector<bool> counted(rows.size(), false);
    const bool physical = anyPhysical(rows);
    for (size_t i = 0; i < rows.size(); ++i) {
        const InterfaceRow& row = rows[i];
        if (isLoopback(row))
            continue;
        if (!patterns.empty()) {
            counted[i] = std::any_of(patterns.begin(), patterns.end(), [&](const std::string& p) {
                return matchesPattern(p, row.name);
            });
            continue;
        }
        switch (row.kind) {
        case LinkKind::Unclassified:
            counted[i] = true;
            break;
        case LinkKind::Ppp:
            // A modem's link carries bytes no other link sees; PPPoE's cross an Ethernet link.
            counted[i] = row.defaultRoute && (!row.encapsulated || !physical);
            break;
        default:
            counted[i] = isPhysical(row) || (!physical && row.defaultRoute);
            break;
        }
    }
    return counted;
}

bool defaultRoutesMatter(const std::vector<InterfaceRow>& rows) {
    if (!anyPhysical(rows))
        return true;
    return std::any_of(rows.begin(), rows.end(),
                       [](const InterfaceRow& r) { return r.kind == LinkKind::Ppp; });
}

std::vector<std::string> splitPatterns(std::string_view setting) {
    std::vector<std::string> out;
    while (true) {
        const size_t comma = setting.find(',');
        std::string_view part = setting.substr(0, comma);
        while (!part.empty() && std::isspace(static_cast<unsigned char>(part.front())))
            part.remove_prefix(1);
        while (!part.empty() && std::isspace(static_cast<unsigned char>(part.back())))
            part.remove_suffix(1);
        if (!part.empty())
            out.emplace_back(part);
        if (comma == std::string_view::npos)
            return out;
        setting.remove_prefix(comma + 1);
    }
}

namespace {

// Matches one bracket expression at p (just after "["); sets next past its "]". A "[" with
// no closing "]" is an ordinary character.
bool matchBracket(std::string_view pattern, size_t p, char c, size_t& next, bool& valid) {
    bool negate = false;
    if (p < pattern.size() && (pattern[p] == '!' || pattern[p] == '^')) {
        negate = true;
        ++p;
    }
    bool hit = false;
    bool first = true;
    while (p < pattern.size() && (first || pattern[p] != ']')) {
        first = false;
        char low = pattern[p];
        if (low == '\\' && p + 1 < pattern.size())
            low = pattern[++p];
        char high = low;
        if (p + 2 < pattern.size() && pattern[p + 1] == '-' && pattern[p + 2] != ']') {
            high = pattern[p + 2];
            if (high == '\\' && p + 3 < pattern.size()) {
                high = pattern[p + 3];
                ++p;
            }
            p += 2;
        }
        if (low <= c && c <= high)
            hit = true;
        ++p;
    }
    valid = p < pattern.size();
    next = p + 1;
    return hit != negate;
}

} // namespace

bool matchesPattern(std::string_view pattern, std::string_view name) {
    // Iterative match with one backtrack point for the last "*": linear in practice, and
    // never exponential in the number of stars.
    size_t p = 0, n = 0;
    size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        bool step = false;
        size_t nextP = p + 1;
        if (p < pattern.size()) {
            const char pc = pattern[p];
            if (pc == '*') {
                starP = p++;
                starN = n;
                continue;
            }
            if (pc == '?') {
                step = true;
            } else if (pc == '[') {
                bool valid = false;
                size_t after = 0;
                const bool hit = matchBracket(pattern, p + 1, name[n], after, valid);
                if (valid) {
                    step = hit;
                    nextP = after;
                } else {
                    step = name[n] == '[';
                }
            } else if (pc == '\\' && p + 1 < pattern.size()) {
                step = name[n] == pattern[p + 1];
                nextP = p + 2;
            } else {
                step = name[n] == pc;
            }
        }
        if (step) {
            p = nextP;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace tarvo
