#pragma once

#include <QString>

#include <cstdint>

namespace tarvo {

// Amounts of data as the user reads them: binary megabytes and gigabytes.
constexpr std::uint64_t kMB = 1024 * 1024;
constexpr std::uint64_t kGB = kMB * 1024;

// Whether an amount reads in GB: from where its MB figure, rounded to two decimals, would
// read 1024.00 on, so that no amount reads "1024.00 MB". Texts and the chart's scale agree.
bool readsInGB(std::uint64_t bytes);

// "12.34 MB" or "1.05 GB", two decimals, rounded half up.
QString amountText(std::uint64_t bytes);

} // namespace tarvo
