#pragma once

#include <QString>

namespace tarvo {

class CommandLauncher;
class MessageBoxes;
class Registry;

// The options-menu commands that reach outside the program, over the services they need,
// so that a menu handler is one call.
class SystemCommands {
public:
    // applicationFilePath: the running executable (QCoreApplication::applicationFilePath()).
    SystemCommands(Registry& registry, CommandLauncher& launcher, MessageBoxes& messages,
                   QString applicationFilePath);

    void writeStartAtLogin();           // opaut
    void startBrowser();                // brop
    void openNetworkSettings();         // inop
    void showUsageNote();               // hotus
    void openLink(const QString& link); // a headline's link
    QString defaultBrowser();           // the browser's executable, or empty

private:
    Registry& registry_;
    CommandLauncher& launcher_;
    MessageBoxes& messages_;
    QString applicationFilePath_;
};

} // namespace tarvo
