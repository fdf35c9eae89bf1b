#pragma once

#include <QByteArray>

namespace tarvo {

// Under a Wayland session with XWayland, and no platform chosen by the user, the window
// system to use is X11: a Wayland client can neither stay above other windows nor place
// itself, which the strip and its secondary windows need.
bool prefersXcb(const QByteArray& waylandDisplay, const QByteArray& display,
                const QByteArray& chosenPlatform);

// Applies that choice to this process before the application object is made, and has X11
// images sent over the socket rather than through shared memory (unless the user says).
void choosePlatformForSession();

} // namespace tarvo
