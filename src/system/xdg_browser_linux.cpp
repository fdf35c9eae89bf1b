#include "system/xdg_browser_linux.h"

#include <QProcess>
#include <QStandardPaths>

#include <csignal>
#include <unistd.h>

namespace tarvo {

namespace {

// xdg-settings is a shell script that answers in a fraction of a second; a hung one must
// not hold the window for long.
constexpr int xdgSettingsTimeoutMs = 5000;

} // namespace

QString xdgSettingsBrowser(const QProcessEnvironment& environment, const XdgLocations& locations) {
    const QString program =
        QStandardPaths::findExecutable(QStringLiteral("xdg-settings"), locations.searchPath);
    if (program.isEmpty() || locations.searchPath.isEmpty())
        return QString();
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    // Its own process group, so that a hung script goes together with the tools it started.
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
    process.start(program, {QStringLiteral("get"), QStringLiteral("default-web-browser")});
    if (!process.waitForFinished(xdgSettingsTimeoutMs)) {
        if (process.processId() > 0)
            ::kill(-pid_t(process.processId()), SIGKILL);
        process.kill();
        process.waitForFinished();
        return QString();
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QString defaultBrowserProgram(const QProcessEnvironment& environment) {
    const XdgLocations locations = XdgLocations::fromEnvironment(environment);
    QStringList candidates;
    const QString fromSettings = xdgSettingsBrowser(environment, locations);
    if (!fromSettings.isEmpty())
        candidates.append(fromSettings);
    candidates += defaultApplicationsFor(locations, QStringLiteral("x-scheme-handler/http"));
    for (const QString& id : candidates) {
        const QString file = findDesktopFile(locations, id);
        if (file.isEmpty())
            continue;
        // The command "program" "%1" has no way to hold a quote inside the program.
        const QString program = desktopFileProgram(locations, file);
        if (!program.isEmpty() && !program.contains(u'"'))
            return program;
    }
    return QString();
}

} // namespace tarvo
