#pragma once

#include "system/registry.h"

#include <QHash>
#include <QList>

namespace tarvo {

// A registry held in memory, for tests: keys keep their values in the order they were
// first set, and names of keys and values compare without regard to case.
class MemoryRegistry final : public Registry {
public:
    // Stores a value of any type with exactly the given bytes (creating the key).
    void putValue(RegistryKey root, const QString& path, const QString& name, quint32 type,
                  const QByteArray& data);
    // Keys that exist but refuse to be opened, as keys without read access do.
    void denyAccess(RegistryKey root, const QString& path);

    bool hasKey(RegistryKey root, const QString& path) const;
    QList<RegistryValue> values(RegistryKey root, const QString& path) const;
    int openKeyCount() const { return int(open_.size()); }

    std::optional<RegistryKey> openKey(RegistryKey root, const QString& path) override;
    std::optional<RegistryValue> enumValue(RegistryKey key, quint32 index, int nameBufferLength,
                                           int dataBufferLength) override;
    std::optional<RegistryKey> createKey(RegistryKey root, const QString& path) override;
    bool setStringValue(RegistryKey key, const QString& name, const QString& data) override;
    void closeKey(RegistryKey key) override;

private:
    struct Key {
        QList<RegistryValue> values;
        bool denied = false;
    };
    static QString keyId(RegistryKey root, const QString& path);
    Key* keyFor(RegistryKey handle);
    static void put(Key& key, const QString& name, quint32 type, const QByteArray& data);

    QHash<QString, Key> keys_;
    QHash<RegistryKey, QString> open_;
    RegistryKey nextHandle_ = 1;
};

} // namespace tarvo
