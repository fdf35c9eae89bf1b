#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

namespace tarvo {

// A key handle. The predefined roots carry the platform's fixed values; keys opened or
// created through a Registry get other values from it.
using RegistryKey = quint32;

namespace RegistryRoot {
inline constexpr RegistryKey ClassesRoot = 0x80000000u;
inline constexpr RegistryKey CurrentUser = 0x80000001u;
inline constexpr RegistryKey LocalMachine = 0x80000002u;
} // namespace RegistryRoot

bool isRegistryRoot(RegistryKey key);

// Value types, numbered as the platform numbers them.
namespace RegistryType {
inline constexpr quint32 None = 0;
inline constexpr quint32 String = 1;
inline constexpr quint32 ExpandString = 2;
inline constexpr quint32 Binary = 3;
inline constexpr quint32 DWord = 4;
inline constexpr quint32 MultiString = 7;
} // namespace RegistryType

// One value as enumeration hands it out. String data are bytes in the platform's code page
// (UTF-8 on Linux) with their terminating NUL, as they are stored.
struct RegistryValue {
    QString name;
    quint32 type = RegistryType::None;
    QByteArray data;
};

// Whether a value fits the caller's buffers: the name with its terminating null, the data.
inline bool fitsBuffers(const RegistryValue& value, int nameBufferLength, int dataBufferLength) {
    return value.name.size() < nameBufferLength && value.data.size() <= dataBufferLength;
}

// The registry operations the program uses. Key paths are relative to a root, separated by
// backslashes, and compare without regard to case.
class Registry {
public:
    virtual ~Registry() = default;

    // Opens an existing key for reading; nothing when it does not exist or may not be read.
    virtual std::optional<RegistryKey> openKey(RegistryKey root, const QString& path) = 0;

    // The value at index, or nothing when there is none or when its name needs
    // nameBufferLength characters or more (a terminating NUL must fit) or its data more
    // than dataBufferLength bytes.
    virtual std::optional<RegistryValue> enumValue(RegistryKey key, quint32 index,
                                                   int nameBufferLength, int dataBufferLength) = 0;

    // Opens a key for writing, creating it when missing.
    virtual std::optional<RegistryKey> createKey(RegistryKey root, const QString& path) = 0;

    // Stores a string value (type String); false when the key does not take it.
    virtual bool setStringValue(RegistryKey key, const QString& name, const QString& data) = 0;

    // Closing a root key does nothing.
    virtual void closeKey(RegistryKey key) = 0;
};

// Key paths as compared: backslash-separated, no empty parts, case folded.
QString normalizedKeyPath(const QString& path);
bool sameKeyPath(const QString& a, const QString& b);

// The registry of the platform the program runs on.
std::unique_ptr<Registry> createRegistry();

} // namespace tarvo
