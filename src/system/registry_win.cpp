#include "system/registry_win.h"

#include "common/log.h"

#include <windows.h>

namespace tarvo {

namespace {

HKEY rootKey(RegistryKey root) {
    switch (root) {
    case RegistryRoot::ClassesRoot:
        return HKEY_CLASSES_ROOT;
    case RegistryRoot::CurrentUser:
        return HKEY_CURRENT_USER;
    case RegistryRoot::LocalMachine:
        return HKEY_LOCAL_MACHINE;
    default:
        return nullptr;
    }
}

} // namespace

WinRegistry::~WinRegistry() {
    for (void* native : std::as_const(open_))
        RegCloseKey(static_cast<HKEY>(native));
}

void* WinRegistry::nativeKey(RegistryKey key) const {
    if (isRegistryRoot(key))
        return rootKey(key);
    return open_.value(key, nullptr);
}

RegistryKey WinRegistry::remember(void* native) {
    const RegistryKey handle = nextHandle_++;
    open_.insert(handle, native);
    return handle;
}

std::optional<RegistryKey> WinRegistry::openKey(RegistryKey root, const QString& path) {
    HKEY native = nullptr;
    if (!rootKey(root) || RegOpenKeyExA(rootKey(root), path.toLocal8Bit().constData(), 0, KEY_READ,
                                        &native) != ERROR_SUCCESS)
        return std::nullopt;
    return remember(native);
}

std::optional<RegistryValue> WinRegistry::enumValue(RegistryKey key, quint32 index,
                                                    int nameBufferLength, int dataBufferLength) {
    const HKEY native = static_cast<HKEY>(nativeKey(key));
    if (!native || nameBufferLength <= 0 || dataBufferLength < 0)
        return std::nullopt;
    QByteArray name(nameBufferLength, '\0');
    QByteArray data(qMax(dataBufferLength, 1), '\0');
    DWORD nameLength = DWORD(nameBufferLength);
    DWORD dataLength = DWORD(dataBufferLength);
    DWORD type = 0;
    if (RegEnumValueA(native, index, name.data(), &nameLength, nullptr, &type,
                      reinterpret_cast<LPBYTE>(data.data()), &dataLength) != ERROR_SUCCESS)
        return std::nullopt;
    return RegistryValue{QString::fromLocal8Bit(name.constData(), qsizetype(nameLength)),
                         quint32(type), data.left(qsizetype(dataLength))};
}

std::optional<RegistryKey> WinRegistry::createKey(RegistryKey root, const QString& path) {
    HKEY native = nullptr;
    if (!rootKey(root) ||
        RegCreateKeyA(rootKey(root), path.toLocal8Bit().constData(), &native) != ERROR_SUCCESS)
        return std::nullopt;
    return remember(native);
}

bool WinRegistry::setStringValue(RegistryKey key, const QString& name, const QString& data) {
    const HKEY native = static_cast<HKEY>(nativeKey(key));
    if (!native)
        return false;
    const QByteArray bytes = data.toLocal8Bit() + '\0';
    const LONG result =
        RegSetValueExA(native, name.toLocal8Bit().constData(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(bytes.constData()), DWORD(bytes.size()));
    if (result != ERROR_SUCCESS)
        qCWarning(lcSystem).noquote()
            << "the registry value" << name << "could not be written:" << result;
    return result == ERROR_SUCCESS;
}

void WinRegistry::closeKey(RegistryKey key) {
    const auto found = open_.find(key);
    if (found == open_.end())
        return;
    RegCloseKey(static_cast<HKEY>(found.value()));
    open_.erase(found);
}

std::unique_ptr<Registry> createRegistry() {
    return std::make_unique<WinRegistry>();
}

} // namespace tarvo
