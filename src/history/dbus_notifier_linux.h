#pragma once

#include "history/notifier.h"

#include <QDBusConnection>
#include <QObject>

namespace tarvo {

// org.freedesktop.Notifications on a D-Bus (the session bus unless given another). Sends
// asynchronously: a hanging notification service must not stall the strip.
class DbusNotifier final : public Notifier {
public:
    DbusNotifier();
    explicit DbusNotifier(const QDBusConnection& bus);
    void notify(const QString& summary, const QString& body,
                std::function<void()> onAbsent) override;
    // Notifications sent whose answer has not been handled yet.
    int pending() const { return pending_; }

private:
    QDBusConnection bus_;
    int pending_ = 0;
    QObject replies_; // owns the reply watchers, so none outlives the notifier
};

} // namespace tarvo
