#pragma once

#include "history/notifier.h"

#include <QDBusConnection>
#include <QObject>

#include <functional>
#include <optional>

namespace tarvo {

// org.freedesktop.Notifications on a D-Bus (the session bus unless given another). Sends
// asynchronously: a hanging notification service must not stall the strip. The bus is
// connected when the first notification goes out, not before: most runs send none, and a
// connection keeps a thread and its buffers for as long as the program runs.
class DbusNotifier final : public Notifier {
public:
    using Connect = std::function<QDBusConnection()>;
    explicit DbusNotifier(Connect connect = [] { return QDBusConnection::sessionBus(); });
    explicit DbusNotifier(const QDBusConnection& bus);
    void notify(const QString& summary, const QString& body,
                std::function<void()> onAbsent) override;
    // Notifications sent whose answer has not been handled yet.
    int pending() const { return pending_; }

private:
    Connect connect_;
    std::optional<QDBusConnection> bus_;
    int pending_ = 0;
    QObject replies_; // owns the reply watchers, so none outlives the notifier
};

} // namespace tarvo
