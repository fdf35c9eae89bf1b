#include "system/registry.h"

#include <QStringList>

namespace tarvo {

bool isRegistryRoot(RegistryKey key) {
    return key == RegistryRoot::ClassesRoot || key == RegistryRoot::CurrentUser ||
           key == RegistryRoot::LocalMachine;
}

QString normalizedKeyPath(const QString& path) {
    return path.split(u'\\', Qt::SkipEmptyParts).join(u'\\').toCaseFolded();
}

bool sameKeyPath(const QString& a, const QString& b) {
    return normalizedKeyPath(a) == normalizedKeyPath(b);
}

} // namespace tarvo
