#include "system/network_settings.h"

#include "common/message_boxes.h"
#include "system/command_launcher.h"
#include "system/system_texts.h"

#include <array>

namespace tarvo {

namespace {

struct SettingsProgram {
    const char* program;
    const char* argument;
};

// GNOME, KDE, then the desktop-neutral NetworkManager editor.
constexpr std::array<SettingsProgram, 3> settingsPrograms{{
    {"gnome-control-center", "network"},
    {"systemsettings", "kcm_networkmanagement"},
    {"nm-connection-editor", nullptr},
}};

} // namespace

void openNetworkSettings(CommandLauncher& launcher, MessageBoxes& messages) {
    for (const SettingsProgram& candidate : settingsPrograms) {
        const QString path = launcher.findProgram(QString::fromLatin1(candidate.program));
        if (path.isEmpty())
            continue;
        QStringList arguments;
        if (candidate.argument)
            arguments.append(QString::fromLatin1(candidate.argument));
        if (launcher.start(path, arguments, ShowState::Show))
            return;
    }
    messages.information(messageCaption(), noNetworkSettingsText());
}

} // namespace tarvo
