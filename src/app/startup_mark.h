#pragma once

class QString;

namespace tarvo {

// For the idle bench: once the first window has been exposed and drawn, writes the wall-clock
// time in nanoseconds since the epoch into the file at path, then stops watching.
void markFirstDrawnWindow(const QString& path);

} // namespace tarvo
