#include "system/command_launcher.h"

#include "common/log.h"

#include <QProcess>

#include <windows.h>

namespace tarvo {

bool ProcessLauncher::start(const QString& program, const QStringList& arguments,
                            ShowState showState) {
    if (program.isEmpty())
        return false;
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setCreateProcessArgumentsModifier([showState](QProcess::CreateProcessArguments* args) {
        args->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
        args->startupInfo->wShowWindow = WORD(showState);
    });
    const bool started = process.startDetached();
    if (!started)
        qCWarning(lcSystem).noquote() << "could not start" << program;
    return started;
}

} // namespace tarvo
