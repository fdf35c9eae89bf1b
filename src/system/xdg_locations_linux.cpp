#include "system/xdg_locations_linux.h"

#include "system/desktop_entry.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStandardPaths>

namespace tarvo {

namespace {

// Relative entries are to be ignored, so says the base directory standard.
QStringList absoluteDirs(const QString& value, const QString& fallback) {
    QStringList dirs;
    for (const QString& dir :
         (value.isEmpty() ? fallback : value).split(u':', Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir))
            dirs.append(QDir::cleanPath(dir));
    }
    return dirs;
}

QString homeBased(const QString& value, const QString& home, const QString& below) {
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    if (home.isEmpty())
        return QString();
    return QDir::cleanPath(home + u'/' + below);
}

QStringList applicationDirs(const XdgLocations& locations) {
    QStringList dirs;
    if (!locations.dataHome.isEmpty())
        dirs.append(locations.dataHome + QStringLiteral("/applications"));
    for (const QString& dir : locations.dataDirs)
        dirs.append(dir + QStringLiteral("/applications"));
    return dirs;
}

} // namespace

XdgLocations XdgLocations::fromEnvironment(const QProcessEnvironment& environment) {
    const QString home = environment.value(QStringLiteral("HOME"));
    XdgLocations locations;
    locations.configHome = homeBased(environment.value(QStringLiteral("XDG_CONFIG_HOME")), home,
                                     QStringLiteral(".config"));
    locations.configDirs = absoluteDirs(environment.value(QStringLiteral("XDG_CONFIG_DIRS")),
                                        QStringLiteral("/etc/xdg"));
    locations.dataHome = homeBased(environment.value(QStringLiteral("XDG_DATA_HOME")), home,
                                   QStringLiteral(".local/share"));
    locations.dataDirs = absoluteDirs(environment.value(QStringLiteral("XDG_DATA_DIRS")),
                                      QStringLiteral("/usr/local/share:/usr/share"));
    for (const QString& desktop :
         environment.value(QStringLiteral("XDG_CURRENT_DESKTOP")).split(u':', Qt::SkipEmptyParts))
        locations.currentDesktops.append(desktop.toLower());
    locations.searchPath =
        environment.value(QStringLiteral("PATH")).split(u':', Qt::SkipEmptyParts);
    return locations;
}

QString findDesktopFile(const XdgLocations& locations, const QString& desktopId) {
    if (desktopId.isEmpty() || desktopId.contains(u'/') ||
        !desktopId.endsWith(QStringLiteral(".desktop")))
        return QString();
    for (const QString& dir : applicationDirs(locations)) {
        const QString direct = dir + u'/' + desktopId;
        if (QFileInfo(direct).isFile())
            return direct;
        if (!desktopId.contains(u'-'))
            continue;
        // The ID of a file in a subdirectory joins the path's parts with "-".
        QDirIterator it(dir, {QStringLiteral("*.desktop")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            QString id = QDir(dir).relativeFilePath(file);
            id.replace(u'/', u'-');
            if (id == desktopId)
                return file;
        }
    }
    return QString();
}

QStringList defaultApplicationsFor(const XdgLocations& locations, const QString& mimeType) {
    QStringList dirs;
    if (!locations.configHome.isEmpty())
        dirs.append(locations.configHome);
    dirs += locations.configDirs;
    if (!locations.dataHome.isEmpty())
        dirs.append(locations.dataHome + QStringLiteral("/applications"));
    for (const QString& dir : locations.dataDirs)
        dirs.append(dir + QStringLiteral("/applications"));

    QStringList ids;
    for (const QString& dir : dirs) {
        QStringList files;
        for (const QString& desktop : locations.currentDesktops)
            files.append(dir + u'/' + desktop + QStringLiteral("-mimeapps.list"));
        files.append(dir + QStringLiteral("/mimeapps.list"));
        for (const QString& file : files) {
            const std::optional<QByteArray> bytes = readKeyFile(file);
            if (!bytes)
                continue;
            const auto group =
                parseKeyFileGroup(QString::fromUtf8(*bytes), u"Default Applications");
            if (!group)
                continue;
            for (const QString& id : group->value(mimeType).split(u';', Qt::SkipEmptyParts)) {
                const QString trimmed = id.trimmed();
                if (!trimmed.isEmpty() && !ids.contains(trimmed))
                    ids.append(trimmed);
            }
        }
    }
    return ids;
}

QString desktopFileProgram(const XdgLocations& locations, const QString& desktopFile) {
    const auto entry = readDesktopEntryFile(desktopFile);
    if (!entry || entry->value(QStringLiteral("Hidden")) == QStringLiteral("true"))
        return QString();
    const std::optional<QStringList> arguments = splitExec(entry->value(QStringLiteral("Exec")));
    if (!arguments)
        return QString();
    // Sandboxed packages start the program through env with a few variables, which are
    // hints the program does without.
    qsizetype first = 0;
    if (!arguments->isEmpty() && QFileInfo(arguments->first()).fileName() == u"env") {
        ++first;
        while (first < arguments->size() && arguments->at(first).indexOf(u'=') > 0 &&
               !arguments->at(first).startsWith(u'-'))
            ++first;
    }
    if (first >= arguments->size())
        return QString();
    const QString program = arguments->at(first);
    if (program.startsWith(u'-'))
        return QString();
    if (QDir::isAbsolutePath(program))
        return QFileInfo(program).isExecutable() ? program : QString();
    if (program.contains(u'/'))
        return QString();
    return QStandardPaths::findExecutable(program, locations.searchPath);
}

QString autostartDirectory(const XdgLocations& locations) {
    if (locations.configHome.isEmpty())
        return QString();
    return locations.configHome + QStringLiteral("/autostart");
}

} // namespace tarvo
