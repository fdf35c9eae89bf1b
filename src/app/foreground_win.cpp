#include "app/foreground.h"

#include <windows.h>

namespace tarvo {

void letRunningCopyComeForward() {
    AllowSetForegroundWindow(ASFW_ANY);
}

} // namespace tarvo
