#pragma once

#include "app/services.h"

#include <QLockFile>

#include <memory>

namespace tarvo {

// A lock file in the per-user runtime directory; a lock left by a killed copy is stale
// once its process is gone and is taken over.
class LockFileInstanceLock final : public InstanceLock {
public:
    explicit LockFileInstanceLock(QString path = defaultPath());
    bool tryAcquire() override;

    static QString defaultPath();

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

} // namespace tarvo
