#include "system/system_commands.h"

#include "common/message_boxes.h"
#include "system/browser.h"
#include "system/network_settings.h"
#include "system/start_at_login.h"
#include "system/system_texts.h"

namespace tarvo {

SystemCommands::SystemCommands(Registry& registry, CommandLauncher& launcher,
                               MessageBoxes& messages, QString applicationFilePath)
    : registry_(registry), launcher_(launcher), messages_(messages),
      applicationFilePath_(std::move(applicationFilePath)) {}

void SystemCommands::writeStartAtLogin() {
    tarvo::writeStartAtLogin(registry_, applicationFilePath_);
}

void SystemCommands::startBrowser() {
    startDefaultBrowser(registry_, launcher_, messages_);
}

void SystemCommands::openNetworkSettings() {
    tarvo::openNetworkSettings(launcher_, messages_);
}

void SystemCommands::showUsageNote() {
    messages_.information(messageCaption(), usageNote());
}

void SystemCommands::openLink(const QString& link) {
    OpenInBrowser(registry_, launcher_, messages_, link);
}

QString SystemCommands::defaultBrowser() {
    return DefaultBrowser(registry_);
}

} // namespace tarvo
