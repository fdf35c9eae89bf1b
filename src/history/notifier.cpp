#include "history/notifier.h"
#include "common/app_name.h"

#include "common/message_boxes.h"

namespace tarvo {

void tellAllowance(AllowanceMark mark, Notifier* notifier, MessageBoxes& messages) {
    static const QString title = appName();
    const QString text = allowanceMessage(mark);
    if (text.isEmpty())
        return;
    if (!notifier) {
        messages.information(title, text);
        return;
    }
    notifier->notify(title, text, [&messages, text] { messages.information(title, text); });
}

} // namespace tarvo
