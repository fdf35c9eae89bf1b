#include "app/startup_mark.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QTimer>
#include <QWindow>

#include <chrono>

namespace tarvo {

namespace {

class FirstExposure : public QObject {
public:
    explicit FirstExposure(QString path) : QObject(qApp), path_(std::move(path)) {
        qApp->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Expose || !watched->isWindowType() ||
            !static_cast<QWindow*>(watched)->isExposed())
            return false;
        qApp->removeEventFilter(this);
        // The exposure is drawn while it is handled: the moment is taken after it.
        QTimer::singleShot(0, this, [this] {
            const auto now = std::chrono::system_clock::now().time_since_epoch();
            QFile file(path_);
            if (file.open(QIODevice::WriteOnly))
                file.write(QByteArray::number(
                    qint64(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count())));
            deleteLater();
        });
        return false;
    }

private:
    QString path_;
};

} // namespace

void markFirstDrawnWindow(const QString& path) {
    new FirstExposure(path);
}

} // namespace tarvo
