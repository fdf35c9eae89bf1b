#include "data_directory.h"

#include <QStandardPaths>

namespace tarvo {

QStringList DataDirectory::systemTrees() {
    return {QStringLiteral("/usr"), QStringLiteral("/opt"), QStringLiteral("/bin"),
            QStringLiteral("/sbin"), QStringLiteral("/lib"), QStringLiteral("/etc")};
}

QString DataDirectory::userDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

Qt::CaseSensitivity filePathSensitivity() {
    return Qt::CaseSensitive;
}

} // namespace tarvo
