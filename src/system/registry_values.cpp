#include "system/registry_values.h"

#include "common/data_file.h"

#include <QtEndian>

namespace tarvo {

namespace {

constexpr int nameBufferLength = 260;
constexpr int dataBufferLength = 4096;
constexpr quint32 lastIndex = 999999;
constexpr qsizetype initialColumns = 101;
constexpr qsizetype growth = 100;

RegistryData typedData(const RegistryValue& value) {
    if (value.type == RegistryType::String)
        return registryStringData(value.data);
    if (value.type == RegistryType::DWord && value.data.size() >= 4)
        return qFromLittleEndian<qint32>(value.data.constData());
    return value.data;
}

} // namespace

QString registryStringData(const QByteArray& data) {
    // Only the terminating NUL goes: text stored without one keeps its last character.
    const qsizetype end = data.indexOf('\0');
    return decodeDataText(end < 0 ? data : data.left(end));
}

ValueTable ReadKeyValues(Registry& registry, RegistryKey root, const QString& path) {
    RegistryKey handle = root;
    const bool opened = !path.isEmpty();
    if (opened) {
        const std::optional<RegistryKey> key = registry.openKey(root, path);
        if (!key)
            return {};
        handle = *key;
    }

    ValueTable table(initialColumns);
    qsizetype count = 0;
    for (quint32 index = 0; index <= lastIndex; ++index) {
        if (qsizetype(index) >= table.size())
            table.resize(qsizetype(index) + growth);
        const std::optional<RegistryValue> value =
            registry.enumValue(handle, index, nameBufferLength, dataBufferLength);
        if (!value)
            break;
        table[qsizetype(index)] = ValueColumn{value->name, typedData(*value)};
        count = qsizetype(index) + 1;
    }

    if (opened)
        registry.closeKey(handle);
    table.resize(count);
    return table;
}

void SetRegistryString(Registry& registry, RegistryKey root, const QString& path,
                       const QString& name, const QString& text) {
    const std::optional<RegistryKey> key = registry.createKey(root, path);
    if (!key)
        return;
    registry.setStringValue(*key, name, text);
    registry.closeKey(*key);
}

} // namespace tarvo
