#include "system/command_launcher.h"

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
    return process.startDetached();
}

} // namespace tarvo
