#pragma once

#include <QString>

namespace tarvo {

// The program's name, wherever it names itself: message captions, its settings' application,
// notifications, its folder.
inline QString appName() {
    return QStringLiteral("Tarvo");
}

// Its command, as the user types it and as it names its own files and the messages it writes
// on a terminal: lower case.
inline QString commandName() {
    return appName().toLower();
}

} // namespace tarvo
