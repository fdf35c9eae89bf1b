#pragma once

#include <QtGlobal>

namespace tarvo {

// Division rounded down and up, for keys of times before 1970 as well as after: C++ rounds
// towards zero, which would put a negative minute into the hour after its own.
constexpr qint64 floorDiv(qint64 a, qint64 b) {
    const qint64 q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

constexpr qint64 ceilDiv(qint64 a, qint64 b) {
    const qint64 q = a / b;
    return (a % b != 0 && (a < 0) == (b < 0)) ? q + 1 : q;
}

} // namespace tarvo
