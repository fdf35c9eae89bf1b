#pragma once

#include <QStringView>

#include <cstdint>
#include <optional>

namespace tarvo {

// A whole number written as ASCII digits alone, at most max; nothing else, since QString's
// number readers also take signs, blanks and other scripts' digits ("-0" is no number here).
std::optional<std::uint64_t> parseDigits(QStringView text, std::uint64_t max);

} // namespace tarvo
