#pragma once

#include "history/allowance.h"

#include <QDBusConnection>
#include <QString>

namespace tarvo {

class MessageBoxes;

// A desktop notification.
class Notifier {
public:
    virtual ~Notifier() = default;
    // False when no notification service took it.
    virtual bool notify(const QString& summary, const QString& body) = 0;
};

// org.freedesktop.Notifications on a D-Bus (the session bus unless given another).
class DbusNotifier final : public Notifier {
public:
    DbusNotifier();
    explicit DbusNotifier(const QDBusConnection& bus);
    bool notify(const QString& summary, const QString& body) override;

private:
    QDBusConnection bus_;
};

// Tells the user about a mark of the allowance: a notification, or where none can be shown
// (no notifier, no service), a message box with the same text. Nothing for None.
void tellAllowance(AllowanceMark mark, Notifier* notifier, MessageBoxes& messages);

} // namespace tarvo
