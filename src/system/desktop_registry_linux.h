#pragma once

#include "system/registry.h"

#include <QHash>
#include <QList>
#include <QProcessEnvironment>

namespace tarvo {

// The registry keys the program uses, mapped onto the Linux desktop:
// - HKEY_CLASSES_ROOT\http\shell\open\command holds, as its default value, the command
//   "program" "%1" of the desktop's default web browser; the key is missing when no
//   browser is set.
// - Software\microsoft\windows\currentversion\run, under HKEY_CURRENT_USER or
//   HKEY_LOCAL_MACHINE, holds one value per
//   autostart entry of the user (name.desktop), its Exec as data (a lone program unquoted,
//   as it was set); setting a value writes the entry.
// Every other key is missing and cannot be created. The environment (HOME, the XDG
// variables, PATH) decides where the desktop keeps its files.
class DesktopRegistry final : public Registry {
public:
    explicit DesktopRegistry(QProcessEnvironment environment);

    static const QString browserCommandKey;
    static const QString runKey;

    std::optional<RegistryKey> openKey(RegistryKey root, const QString& path) override;
    std::optional<RegistryValue> enumValue(RegistryKey key, quint32 index, int nameBufferLength,
                                           int dataBufferLength) override;
    std::optional<RegistryKey> createKey(RegistryKey root, const QString& path) override;
    bool setStringValue(RegistryKey key, const QString& name, const QString& data) override;
    void closeKey(RegistryKey key) override;

private:
    enum class Kind { Browser, Autostart };
    struct OpenKey {
        Kind kind;
        QList<RegistryValue> values; // read when the key was opened
    };
    std::optional<Kind> kindOf(RegistryKey root, const QString& path) const;
    QList<RegistryValue> autostartValues() const;
    RegistryKey remember(Kind kind, QList<RegistryValue> values);

    QProcessEnvironment environment_;
    QHash<RegistryKey, OpenKey> open_;
    RegistryKey nextHandle_ = 1;
};

} // namespace tarvo
