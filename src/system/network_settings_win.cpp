#include "system/network_settings.h"

#include "system/command_launcher.h"

namespace tarvo {

void openNetworkSettings(CommandLauncher& launcher, MessageBoxes& /*messages*/) {
    // The Internet Options dialog at its first page.
    launcher.start(QStringLiteral("rundll32.exe"),
                   {QStringLiteral("shell32.dll,Control_RunDLL"), QStringLiteral("inetcpl.cpl,,0")},
                   ShowState::Show);
}

} // namespace tarvo
