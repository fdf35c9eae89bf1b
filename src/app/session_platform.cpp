#include "app/session_platform.h"

#include <QtGlobal>

namespace tarvo {

bool prefersXcb(const QByteArray& waylandDisplay, const QByteArray& display,
                const QByteArray& chosenPlatform) {
    return !waylandDisplay.isEmpty() && !display.isEmpty() && chosenPlatform.isEmpty();
}

void choosePlatformForSession() {
    if (prefersXcb(qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY"), qgetenv("QT_QPA_PLATFORM")))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

} // namespace tarvo
