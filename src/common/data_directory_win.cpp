#include "common/app_name.h"
#include "data_directory.h"

#include <QDir>
#include <QStandardPaths>

namespace tarvo {

QStringList DataDirectory::systemTrees() {
    // 64-bit and 32-bit Program Files, under whatever names and drives this computer has.
    QStringList trees;
    for (const char* name : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432", "SystemRoot"}) {
        const QString path = qEnvironmentVariable(name);
        if (!path.isEmpty())
            trees << path;
    }
    return trees;
}

QString DataDirectory::userDirectory() {
    // %LOCALAPPDATA%: the usage of one computer does not roam with the user.
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(appName());
}

Qt::CaseSensitivity filePathSensitivity() {
    return Qt::CaseInsensitive;
}

} // namespace tarvo
