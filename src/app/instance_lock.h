#pragma once

#include "app/services.h"

#include <QLockFile>

#include <memory>

class QLocalServer;

namespace tarvo {

// A lock file in the per-user runtime directory; a lock left by a killed copy is stale
// once its process is gone and is taken over. Beside the lock its holder listens on a
// local socket, private to the user, for the request of a later copy to show the window.
class LockFileInstanceLock final : public InstanceLock {
public:
    explicit LockFileInstanceLock(QString path = defaultPath());
    ~LockFileInstanceLock() override;

    bool tryAcquire() override;
    void listenForShowRequests(std::function<void()> onShowRequest) override;
    void askRunningCopyToShow() override;

    static QString defaultPath();
    // The name of the local socket that belongs to the lock at lockPath.
    static QString socketName(const QString& lockPath);
    bool isListening() const;

private:
    void acceptConnections();

    QString path_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
    std::function<void()> onShowRequest_;
};

} // namespace tarvo
