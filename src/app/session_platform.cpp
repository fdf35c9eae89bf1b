#include "app/session_platform.h"

#include <QtGlobal>

namespace tarvo {

bool prefersXcb(const QByteArray& waylandDisplay, const QByteArray& display,
                const QByteArray& chosenPlatform) {
    return !waylandDisplay.isEmpty() && !display.isEmpty() && chosenPlatform.isEmpty();
}

QList<QByteArray> choosePlatformForSession() {
    QList<QByteArray> set;
    if (prefersXcb(qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY"), qgetenv("QT_QPA_PLATFORM"))) {
        qputenv("QT_QPA_PLATFORM", "xcb");
        set << "QT_QPA_PLATFORM";
    }
    // The strip repaints a few small rectangles a second. Through X shared memory each repaint
    // first waits a round trip for the server to let go of the last image, a second wake-up
    // every second; over the socket the few pixels simply go.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) {
        qputenv("QT_XCB_NO_MITSHM", "1");
        set << "QT_XCB_NO_MITSHM";
    }
    return set;
}

void forgetPlatformChoices(const QList<QByteArray>& names) {
    for (const QByteArray& name : names)
        qunsetenv(name.constData());
}

} // namespace tarvo
