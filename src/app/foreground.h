#pragma once

namespace tarvo {

// Lets the running copy of the program bring its window to the front when this copy asks it
// to. Windows keeps a window from taking the foreground unless the program the user started
// last allows it; elsewhere there is nothing to allow.
void letRunningCopyComeForward();

} // namespace tarvo
