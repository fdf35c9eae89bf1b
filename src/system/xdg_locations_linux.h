#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace tarvo {

// The base directories of the desktop standards, as an environment sets them.
struct XdgLocations {
    QString configHome;
    QStringList configDirs;
    QString dataHome;
    QStringList dataDirs;
    QStringList currentDesktops; // lower case, from XDG_CURRENT_DESKTOP
    QStringList searchPath;      // PATH

    static XdgLocations fromEnvironment(const QProcessEnvironment& environment);
};

// The file of a desktop file ID ("vendor-app.desktop" may live in applications/vendor/),
// searched in the data directories in order; empty when not installed.
QString findDesktopFile(const XdgLocations& locations, const QString& desktopId);

// The desktop file IDs named as default for a MIME type by the mimeapps.list files, in
// their order of precedence.
QStringList defaultApplicationsFor(const XdgLocations& locations, const QString& mimeType);

// The program an application's desktop file starts: the first word of its Exec with
// field codes removed (past a leading "env NAME=value ..."), looked up on the search path
// when it is a bare name. Empty when the entry is hidden, has no Exec or the program is
// not installed.
QString desktopFileProgram(const XdgLocations& locations, const QString& desktopFile);

// The directory of the user's autostart entries.
QString autostartDirectory(const XdgLocations& locations);

} // namespace tarvo
