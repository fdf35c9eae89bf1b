#include "history/notifier.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QTimer>

namespace tarvo {

namespace {

// A balloon of a tray icon shown for the notice alone, then taken away again.
class TrayNotifier final : public Notifier {
public:
    TrayNotifier() {
        hide_.setSingleShot(true);
        hide_.setInterval(kShownMs);
        QObject::connect(&hide_, &QTimer::timeout, &icon_, &QSystemTrayIcon::hide);
    }

    void notify(const QString& summary, const QString& body,
                std::function<void()> onAbsent) override {
        if (!QSystemTrayIcon::isSystemTrayAvailable() || !QSystemTrayIcon::supportsMessages()) {
            if (onAbsent)
                onAbsent();
            return;
        }
        icon_.setIcon(QApplication::windowIcon());
        icon_.setToolTip(summary);
        icon_.show();
        icon_.showMessage(summary, body, QSystemTrayIcon::Information, kShownMs);
        hide_.start();
    }

private:
    static constexpr int kShownMs = 15000;
    QSystemTrayIcon icon_;
    QTimer hide_;
};

} // namespace

std::unique_ptr<Notifier> makeDesktopNotifier() {
    return std::make_unique<TrayNotifier>();
}

} // namespace tarvo
