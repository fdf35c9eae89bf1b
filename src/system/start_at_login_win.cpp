#include "system/start_at_login.h"

#include <QDir>
#include <QFileInfo>

namespace tarvo {

QString startAtLoginPath(const QString& applicationFilePath) {
    const QFileInfo file(applicationFilePath);
    return QDir::toNativeSeparators(file.absolutePath()) + u'\\' + file.completeBaseName() +
           QStringLiteral(".exe");
}

} // namespace tarvo
