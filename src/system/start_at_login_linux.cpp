#include "system/start_at_login.h"

#include <QFileInfo>

namespace tarvo {

QString startAtLoginPath(const QString& applicationFilePath) {
    return QFileInfo(applicationFilePath).absoluteFilePath();
}

} // namespace tarvo
