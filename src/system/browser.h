#pragma once

#include "system/registry.h"

#include <QString>

namespace tarvo {

class CommandLauncher;
class MessageBoxes;

// The quoted program at the start of the command of the http protocol's first value, the
// empty text when that command is not quoted, or "Invalid" when it cannot be read.
QString GetBrowserPath(Registry& registry);

// Opens a web link in the default browser, the link (trailing blanks trimmed) as the one
// argument. Only http and https links are opened; any other opens nothing and says
// nothing, since links come from feeds. Tells the user when there is no browser.
void OpenInBrowser(Registry& registry, CommandLauncher& launcher, MessageBoxes& messages,
                   const QString& link);

// True for the links OpenInBrowser passes on.
bool isWebLink(const QString& link);

// The browser's executable from a command: up to its first ".exe" (any case) that ends a
// word, with every quote removed; without ".exe" its first quoted token, or its first word when
// unquoted.
QString browserFromCommand(const QString& command);

// The executable of the default value of HKEY_CLASSES_ROOT\HTTP\shell\open\command;
// empty when it cannot be found.
QString DefaultBrowser(Registry& registry);

// Starts the default browser minimised and without an address; tells the user when there
// is none. A start that fails is not reported.
void startDefaultBrowser(Registry& registry, CommandLauncher& launcher, MessageBoxes& messages);

} // namespace tarvo
