#include "system/command_launcher.h"

#include <QStandardPaths>

namespace tarvo {

QString ProcessLauncher::findProgram(const QString& name) const {
    return QStandardPaths::findExecutable(name);
}

} // namespace tarvo
