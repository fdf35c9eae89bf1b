#include "app/instance_lock.h"

#include <QDir>
#include <QStandardPaths>

namespace tarvo {

LockFileInstanceLock::LockFileInstanceLock(QString path) : path_(std::move(path)) {}

QString LockFileInstanceLock::defaultPath() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return QDir(dir).filePath(QStringLiteral("tarvo.lock"));
}

bool LockFileInstanceLock::tryAcquire() {
    lock_ = std::make_unique<QLockFile>(path_);
    // Only a dead owner makes the lock stale, however long the running copy has held it.
    lock_->setStaleLockTime(0);
    return lock_->tryLock(0);
}

} // namespace tarvo
