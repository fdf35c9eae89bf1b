#include "system/memory_registry.h"

namespace tarvo {

QString MemoryRegistry::keyId(RegistryKey root, const QString& path) {
    return QString::number(root, 16) + u'\\' + normalizedKeyPath(path);
}

void MemoryRegistry::put(Key& key, const QString& name, quint32 type, const QByteArray& data) {
    for (RegistryValue& value : key.values) {
        if (value.name.compare(name, Qt::CaseInsensitive) == 0) {
            value.type = type;
            value.data = data;
            return;
        }
    }
    key.values.append(RegistryValue{name, type, data});
}

void MemoryRegistry::putValue(RegistryKey root, const QString& path, const QString& name,
                              quint32 type, const QByteArray& data) {
    put(keys_[keyId(root, path)], name, type, data);
}

void MemoryRegistry::denyAccess(RegistryKey root, const QString& path) {
    keys_[keyId(root, path)].denied = true;
}

bool MemoryRegistry::hasKey(RegistryKey root, const QString& path) const {
    return keys_.contains(keyId(root, path));
}

QList<RegistryValue> MemoryRegistry::values(RegistryKey root, const QString& path) const {
    return keys_.value(keyId(root, path)).values;
}

MemoryRegistry::Key* MemoryRegistry::keyFor(RegistryKey handle) {
    const QString id = isRegistryRoot(handle) ? keyId(handle, QString()) : open_.value(handle);
    if (id.isEmpty())
        return nullptr;
    return &keys_[id];
}

std::optional<RegistryKey> MemoryRegistry::openKey(RegistryKey root, const QString& path) {
    if (!isRegistryRoot(root))
        return std::nullopt;
    const QString id = keyId(root, path);
    const auto found = keys_.constFind(id);
    if (found == keys_.constEnd() || found->denied)
        return std::nullopt;
    const RegistryKey handle = nextHandle_++;
    open_.insert(handle, id);
    return handle;
}

std::optional<RegistryValue> MemoryRegistry::enumValue(RegistryKey key, quint32 index,
                                                       int nameBufferLength, int dataBufferLength) {
    const Key* entry = keyFor(key);
    if (!entry || index >= quint32(entry->values.size()))
        return std::nullopt;
    const RegistryValue& value = entry->values.at(qsizetype(index));
    if (!fitsBuffers(value, nameBufferLength, dataBufferLength))
        return std::nullopt;
    return value;
}

std::optional<RegistryKey> MemoryRegistry::createKey(RegistryKey root, const QString& path) {
    if (!isRegistryRoot(root))
        return std::nullopt;
    const QString id = keyId(root, path);
    if (keys_.value(id).denied)
        return std::nullopt;
    keys_[id];
    const RegistryKey handle = nextHandle_++;
    open_.insert(handle, id);
    return handle;
}

bool MemoryRegistry::setStringValue(RegistryKey key, const QString& name, const QString& data) {
    Key* entry = keyFor(key);
    if (!entry)
        return false;
    put(*entry, name, RegistryType::String, data.toUtf8() + '\0');
    return true;
}

void MemoryRegistry::closeKey(RegistryKey key) {
    open_.remove(key);
}

} // namespace tarvo
