#pragma once

#include "system/registry.h"

#include <QList>

#include <variant>

namespace tarvo {

// A value's data by its type: String as text, DWord as a signed 32-bit number, anything
// else as the raw bytes.
using RegistryData = std::variant<QString, qint32, QByteArray>;

struct ValueColumn {
    QString name;
    RegistryData data;
};

// The values of a key in the order the platform enumerates them.
using ValueTable = QList<ValueColumn>;

// Names up to 259 characters and data up to 4096 bytes are read; the first value beyond
// either limit ends the table. A key that cannot be opened gives an empty table. An empty
// path reads the root itself.
ValueTable ReadKeyValues(Registry& registry, RegistryKey root, const QString& path);

// Opens root\path (creating it when missing), stores name = text as a string value and
// closes it. Failures are not reported.
void SetRegistryString(Registry& registry, RegistryKey root, const QString& path,
                       const QString& name, const QString& text);

// The text of String data: everything before its terminating NUL.
QString registryStringData(const QByteArray& data);

} // namespace tarvo
