#pragma once

#include <QStringView>

#include <optional>

namespace tarvo {

// The character an HTML 4 named entity stands for ("eacute" gives U+00E9); names are
// case-sensitive. Old feeds use these without declaring them.
std::optional<char32_t> htmlEntityCodePoint(QStringView name);

} // namespace tarvo
