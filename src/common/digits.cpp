#include "common/digits.h"

namespace tarvo {

std::optional<std::uint64_t> parseDigits(QStringView text, std::uint64_t max) {
    // No more digits than 2^64 has, so that leading zeros cannot run the loop long.
    if (text.isEmpty() || text.size() > 20)
        return std::nullopt;
    std::uint64_t n = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const std::uint64_t digit = std::uint64_t(c.unicode() - u'0');
        if (digit > max || n > (max - digit) / 10)
            return std::nullopt;
        n = n * 10 + digit;
    }
    return n;
}

} // namespace tarvo
