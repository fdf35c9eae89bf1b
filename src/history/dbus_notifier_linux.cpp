#include "history/dbus_notifier_linux.h"
#include "common/app_name.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace tarvo {

namespace {

// Errors that say no notification service exists, as opposed to one that failed or took
// too long: only then does the message box stand in.
bool serviceAbsent(const QDBusError& error) {
    if (error.type() == QDBusError::ServiceUnknown || error.type() == QDBusError::Disconnected)
        return true;
    const QString name = error.name();
    return name == u"org.freedesktop.DBus.Error.NameHasNoOwner" ||
           name.startsWith(QStringLiteral("org.freedesktop.DBus.Error.Spawn."));
}

} // namespace

std::unique_ptr<Notifier> makeDesktopNotifier() {
    return std::make_unique<DbusNotifier>();
}

DbusNotifier::DbusNotifier(Connect connect) : connect_(std::move(connect)) {}

DbusNotifier::DbusNotifier(const QDBusConnection& bus) : bus_(bus) {}

void DbusNotifier::notify(const QString& summary, const QString& body,
                          std::function<void()> onAbsent) {
    if (!bus_)
        bus_ = connect_();
    if (!bus_->isConnected()) {
        if (onAbsent)
            onAbsent();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    call << appName() << uint(0) << QString() << summary << body << QStringList() << QVariantMap()
         << int(-1);
    ++pending_;
    // The answer is handled on this thread's event loop; a call already failed (the bus
    // just went) still reports through the watcher.
    auto* watcher = new QDBusPendingCallWatcher(bus_->asyncCall(call), &replies_);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &replies_,
                     [this, onAbsent = std::move(onAbsent)](QDBusPendingCallWatcher* done) {
                         done->deleteLater();
                         --pending_;
                         if (done->isError() && serviceAbsent(done->error()) && onAbsent)
                             onAbsent();
                     });
}

} // namespace tarvo
