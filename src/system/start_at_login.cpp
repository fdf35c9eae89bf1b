#include "system/start_at_login.h"

#include "common/app_name.h"
#include "system/registry_values.h"

namespace tarvo {

QString runKeyPath() {
    return QStringLiteral("Software\\microsoft\\windows\\currentversion\\run");
}

QString runValueName() {
    return commandName();
}

void writeStartAtLogin(Registry& registry, const QString& applicationFilePath) {
    SetRegistryString(registry, RegistryRoot::CurrentUser, runKeyPath(), runValueName(),
                      startAtLoginPath(applicationFilePath));
}

} // namespace tarvo
