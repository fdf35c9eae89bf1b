#pragma once

namespace tarvo {

class CommandLauncher;
class MessageBoxes;

// Opens the system's network (internet) settings; tells the user when there are none.
void openNetworkSettings(CommandLauncher& launcher, MessageBoxes& messages);

} // namespace tarvo
