#include "system/command_launcher.h"

#include "common/log.h"

#include <QProcess>

namespace tarvo {

// Linux programs choose their own first window state, so the show state goes unused.
bool ProcessLauncher::start(const QString& program, const QStringList& arguments,
                            ShowState /*showState*/) {
    if (program.isEmpty())
        return false;
    const bool started = QProcess::startDetached(program, arguments);
    if (!started)
        qCWarning(lcSystem).noquote() << "could not start" << program;
    return started;
}

} // namespace tarvo
