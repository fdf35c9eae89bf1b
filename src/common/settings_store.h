#pragma once

#include <QString>

namespace tarvo {

// The per-user settings store: text values by application, section and key.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual QString value(const QString& application, const QString& section, const QString& key,
                          const QString& defaultValue) const = 0;
    virtual void setValue(const QString& application, const QString& section, const QString& key,
                          const QString& value) = 0;
};

// On Linux an INI file under the user's configuration directory, on Windows the registry.
class QtSettingsStore final : public SettingsStore {
public:
    QString value(const QString& application, const QString& section, const QString& key,
                  const QString& defaultValue) const override;
    void setValue(const QString& application, const QString& section, const QString& key,
                  const QString& value) override;
};

} // namespace tarvo
