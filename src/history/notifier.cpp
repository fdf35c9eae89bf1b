#include "history/notifier.h"

#include "common/message_boxes.h"

#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace tarvo {

namespace {

const QString kTitle = QStringLiteral("Tarvo");
// A service that does not answer in this time counts as none; the box takes over.
constexpr int kReplyTimeoutMs = 3000;

} // namespace

DbusNotifier::DbusNotifier() : bus_(QDBusConnection::sessionBus()) {}

DbusNotifier::DbusNotifier(const QDBusConnection& bus) : bus_(bus) {}

bool DbusNotifier::notify(const QString& summary, const QString& body) {
    if (!bus_.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    call << kTitle << uint(0) << QString() << summary << body << QStringList() << QVariantMap()
         << int(-1);
    const QDBusMessage reply = bus_.call(call, QDBus::Block, kReplyTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

void tellAllowance(AllowanceMark mark, Notifier* notifier, MessageBoxes& messages) {
    const QString text = allowanceMessage(mark);
    if (text.isEmpty())
        return;
    if (notifier && notifier->notify(kTitle, text))
        return;
    messages.information(kTitle, text);
}

} // namespace tarvo
