#pragma once

#include <QString>

namespace tarvo {

// The caption of every message box of the program.
QString messageCaption();

// Shown when no web browser can be found.
QString browserErrorText();

// Shown when the desktop offers no network settings program.
QString noNetworkSettingsText();

// The usage note: three lines joined by one CR.
QString usageNote();

} // namespace tarvo
