#pragma once

#include "system/xdg_locations_linux.h"

#include <QProcessEnvironment>
#include <QString>

namespace tarvo {

// The program of the desktop's default web browser: the desktop file that
// "xdg-settings get default-web-browser" names, else the first installed
// x-scheme-handler/http default of the mimeapps.list files. Empty when there is none.
QString defaultBrowserProgram(const QProcessEnvironment& environment);

// The desktop file ID that xdg-settings reports, run under environment; empty when it is
// not installed, fails or takes too long.
QString xdgSettingsBrowser(const QProcessEnvironment& environment, const XdgLocations& locations);

} // namespace tarvo
