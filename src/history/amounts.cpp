#include "history/amounts.h"

namespace tarvo {

namespace {

// Hundredths of unit, rounded half up, without floating point.
std::uint64_t hundredths(std::uint64_t bytes, std::uint64_t unit) {
    return bytes / unit * 100 + (bytes % unit * 100 + unit / 2) / unit;
}

QString withTwoDecimals(std::uint64_t hundredths) {
    return QStringLiteral("%1.%2").arg(hundredths / 100).arg(hundredths % 100, 2, 10, QChar(u'0'));
}

} // namespace

bool readsInGB(std::uint64_t bytes) {
    return hundredths(bytes, kMB) >= 1024 * 100;
}

QString amountText(std::uint64_t bytes) {
    if (!readsInGB(bytes))
        return withTwoDecimals(hundredths(bytes, kMB)) + QStringLiteral(" MB");
    return withTwoDecimals(hundredths(bytes, kGB)) + QStringLiteral(" GB");
}

} // namespace tarvo
