#pragma once

#include <QByteArray>
#include <QList>

namespace tarvo {

// Under a Wayland session with XWayland, and no platform chosen by the user, the window
// system to use is X11: a Wayland client can neither stay above other windows nor place
// itself, which the strip and its secondary windows need.
bool prefersXcb(const QByteArray& waylandDisplay, const QByteArray& display,
                const QByteArray& chosenPlatform);

// Applies that choice to this process before the application object is made, and has X11
// images sent over the socket rather than through shared memory (unless the user says).
// Returns the variables it set.
QList<QByteArray> choosePlatformForSession();

// Once the application object is made: takes those variables out of the environment again,
// so that the programs the meter starts (a browser, the network settings) run as the
// session would run them.
void forgetPlatformChoices(const QList<QByteArray>& names);

} // namespace tarvo
