#pragma once

class QCoreApplication;

namespace tarvo {

// SIGTERM (and SIGINT, SIGHUP) end the event loop the way closing the window does, so the
// pending minute of the history is written. The handler only writes a byte to a socket pair;
// everything else happens on the event loop.
void quitOnTerminationSignals(QCoreApplication& app);

} // namespace tarvo
