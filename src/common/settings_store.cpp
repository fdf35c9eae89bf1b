#include "settings_store.h"

#include <QSettings>

namespace tarvo {

QString QtSettingsStore::value(const QString& application, const QString& section,
                               const QString& key, const QString& defaultValue) const {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, application, application);
    return settings.value(section + u'/' + key, defaultValue).toString();
}

void QtSettingsStore::setValue(const QString& application, const QString& section,
                               const QString& key, const QString& value) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, application, application);
    settings.setValue(section + u'/' + key, value);
    settings.sync();
}

} // namespace tarvo
