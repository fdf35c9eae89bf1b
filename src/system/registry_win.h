#pragma once

#include "system/registry.h"

#include <QHash>

namespace tarvo {

// The Windows registry through the ANSI functions of advapi32.
class WinRegistry final : public Registry {
public:
    ~WinRegistry() override;

    std::optional<RegistryKey> openKey(RegistryKey root, const QString& path) override;
    std::optional<RegistryValue> enumValue(RegistryKey key, quint32 index, int nameBufferLength,
                                           int dataBufferLength) override;
    std::optional<RegistryKey> createKey(RegistryKey root, const QString& path) override;
    bool setStringValue(RegistryKey key, const QString& name, const QString& data) override;
    void closeKey(RegistryKey key) override;

private:
    void* nativeKey(RegistryKey key) const;
    RegistryKey remember(void* native);

    QHash<RegistryKey, void*> open_;
    RegistryKey nextHandle_ = 1;
};

} // namespace tarvo
