#include "settings_store.h"

#include <QSettings>

namespace tarvo {

QString QtSettingsStore::value(const QString& application, const QString& section,
                               const QString& key, const QString& defaultValue) const {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, application, application);
    const QVariant value = settings.value(section + u'/' + key, defaultValue);
    // A value written by hand with commas and without quotes ("wlan0,usb*") is read by the
    // INI format as a list; it is the text the user wrote.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(u',');
    return value.toString();
}

void QtSettingsStore::setValue(const QString& application, const QString& section,
                               const QString& key, const QString& value) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, application, application);
    settings.setValue(section + u'/' + key, value);
    settings.sync();
}

} // namespace tarvo
