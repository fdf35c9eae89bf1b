#pragma once

#include <QString>

namespace tarvo {

// The program's name, wherever it names itself: message captions, its settings' application,
// notifications, its folder.
inline QString appName() {
    return QStringLiteral("Tarvo");
}

} // namespace tarvo
