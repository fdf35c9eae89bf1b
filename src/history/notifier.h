#pragma once

#include "history/allowance.h"

#include <QString>

#include <functional>
#include <memory>

namespace tarvo {

class MessageBoxes;

// A desktop notification.
class Notifier {
public:
    virtual ~Notifier() = default;
    // Sends without waiting for the desktop. onAbsent runs, on the calling thread, once it is
    // known that nothing can show it (no notification service); never for a service that is
    // merely slow or silent. Calls still open when the notifier goes are dropped.
    virtual void notify(const QString& summary, const QString& body,
                        std::function<void()> onAbsent) = 0;
};

// The desktop's notifier on this platform; null where there is none.
std::unique_ptr<Notifier> makeDesktopNotifier();

// Tells the user about a mark of the allowance: a notification, or where none can be shown
// (no notifier, no service), a message box with the same text. Nothing for None. `messages`
// must outlive the notifier, whose answer may come later.
void tellAllowance(AllowanceMark mark, Notifier* notifier, MessageBoxes& messages);

} // namespace tarvo
