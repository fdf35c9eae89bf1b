#include "app/instance_lock.h"

#include "app/foreground.h"
#include "common/app_name.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSet>
#include <QStandardPaths>
#include <QTimer>

#ifdef Q_OS_WIN
#include <QCryptographicHash>
#endif

namespace tarvo {

namespace {
const QByteArray kShowRequest = QByteArrayLiteral("show\n");
// The second copy ends at once: it waits no longer than this for the running one.
constexpr int kClientWaitMs = 1000;
// A connection that has not sent its request by then is dropped.
constexpr int kIdleConnectionMs = 5000;
} // namespace

LockFileInstanceLock::LockFileInstanceLock(QString path) : path_(std::move(path)) {}

namespace {
// The locks this process holds: a lock file that names this process and is not among them
// was left by a dead copy.
QSet<QString>& heldHere() {
    static QSet<QString> held;
    return held;
}
} // namespace

LockFileInstanceLock::~LockFileInstanceLock() {
    if (lock_ && lock_->isLocked())
        heldHere().remove(path_);
}

QString LockFileInstanceLock::defaultPath() {
#ifdef Q_OS_WIN
    // Windows has no runtime folder (Qt names the home folder); the temporary one is the user's.
    QString dir;
#else
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
#endif
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return QDir(dir).filePath(commandName() + QStringLiteral(".lock"));
}

QString LockFileInstanceLock::socketName(const QString& lockPath) {
#ifdef Q_OS_WIN
    // Pipes have a namespace of their own; the lock's path keeps the name apart per user.
    return commandName() + u'-' +
           QString::fromLatin1(
               QCryptographicHash::hash(lockPath.toUtf8(), QCryptographicHash::Sha1).toHex());
#else
    QString name = lockPath;
    if (name.endsWith(QStringLiteral(".lock")))
        name.chop(5);
    return name + QStringLiteral(".socket");
#endif
}

bool LockFileInstanceLock::tryAcquire() {
    lock_ = std::make_unique<QLockFile>(path_);
    // Only a dead owner makes the lock stale, however long the running copy has held it.
    lock_->setStaleLockTime(0);
    bool held = lock_->tryLock(0);
    // A lock left by a copy that died, whose process number this one has been given (Windows
    // keeps its temporary folder over a power loss, and a program started at login often
    // gets the same number): its owner looks alive, and is this very process.
    qint64 owner = 0;
    if (!held && !heldHere().contains(path_) && lock_->getLockInfo(&owner, nullptr, nullptr) &&
        owner == QCoreApplication::applicationPid() && lock_->removeStaleLockFile())
        held = lock_->tryLock(0);
    if (held)
        heldHere().insert(path_);
    return held;
}

bool LockFileInstanceLock::isListening() const {
    return server_ && server_->isListening();
}

void LockFileInstanceLock::listenForShowRequests(std::function<void()> onShowRequest) {
    onShowRequest_ = std::move(onShowRequest);
    // Only the holder of the lock may take the socket's name.
    if (server_ || !lock_ || !lock_->isLocked())
        return;
    const QString name = socketName(path_);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // With the lock held, a socket already there was left by a copy that died.
    QLocalServer::removeServer(name);
    if (!server_->listen(name)) {
        // Later copies then end unseen, as they always did; the meter itself goes on.
        server_.reset();
        return;
    }
    QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(),
                     [this] { acceptConnections(); });
}

void LockFileInstanceLock::acceptConnections() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        auto drop = [socket] {
            socket->abort();
            socket->deleteLater();
        };
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(kIdleConnectionMs, socket, drop);
        QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket, drop] {
            if (socket->bytesAvailable() < kShowRequest.size())
                return;
            // One short request per connection; anything else is ignored.
            const bool show = socket->read(kShowRequest.size()) == kShowRequest;
            drop();
            if (show && onShowRequest_)
                onShowRequest_();
        });
    }
}

void LockFileInstanceLock::askRunningCopyToShow() {
    QLocalSocket socket;
    socket.connectToServer(socketName(path_));
    if (!socket.waitForConnected(kClientWaitMs))
        return; // a copy that does not listen yet, or no longer: end unseen as before
    letRunningCopyComeForward();
    socket.write(kShowRequest);
    // The running copy hangs up once it has read the request. Leaving first could take the
    // unread request along: wine's pipes drop what the reader has not yet taken.
    if (socket.waitForBytesWritten(kClientWaitMs))
        socket.waitForDisconnected(kClientWaitMs);
    if (socket.state() != QLocalSocket::UnconnectedState) {
        socket.disconnectFromServer();
        if (socket.state() != QLocalSocket::UnconnectedState)
            socket.waitForDisconnected(kClientWaitMs);
    }
}

} // namespace tarvo
