#include "system/command_launcher.h"

#include <QProcess>

namespace tarvo {

// Linux programs choose their own first window state, so the show state goes unused.
bool ProcessLauncher::start(const QString& program, const QStringList& arguments,
                            ShowState /*showState*/) {
    if (program.isEmpty())
        return false;
    return QProcess::startDetached(program, arguments);
}

} // namespace tarvo
