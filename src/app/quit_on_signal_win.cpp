#include "app/quit_on_signal.h"

namespace tarvo {

// Windows ends a desktop program through the session's end, which aboutToQuit covers.
void quitOnTerminationSignals(QCoreApplication&) {}

} // namespace tarvo
