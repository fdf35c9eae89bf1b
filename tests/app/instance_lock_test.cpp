#include "app/frm_main.h"
#include "app/instance_lock.h"
#include "fakes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#ifndef Q_OS_WIN
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

using tarvo::LockFileInstanceLock;

namespace {

// The per-user runtime directory (the temporary one on Windows) pointed at a fresh one for
// one test.
class RuntimeDir {
public:
#ifdef Q_OS_WIN
    static constexpr const char* kVariable = "TMP";
#else
    static constexpr const char* kVariable = "XDG_RUNTIME_DIR";
#endif
    RuntimeDir() : saved_(qgetenv(kVariable)), had_(qEnvironmentVariableIsSet(kVariable)) {
        qputenv(kVariable, QDir::toNativeSeparators(dir_.path()).toLocal8Bit());
    }
    ~RuntimeDir() {
        if (had_)
            qputenv(kVariable, saved_);
        else
            qunsetenv(kVariable);
    }
    QString path() const {
        return dir_.path();
    }
    QStringList entries() const {
        return QDir(dir_.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

private:
    QTemporaryDir dir_;
    QByteArray saved_;
    bool had_;
};

// Runs the event loop until the condition holds; the bound only keeps a broken build from
// hanging, it measures nothing.
bool eventually(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 10000);
}

// Asks on a thread of its own, as a second copy would from its process, while this thread's
// event loop lets the running copy answer.
void askAsAnotherCopy(LockFileInstanceLock& lock) {
    std::atomic<bool> done{false};
    std::thread asking([&] {
        lock.askRunningCopyToShow();
        done = true;
    });
    eventually([&] { return done.load(); });
    asking.join();
}

} // namespace

TEST(InstanceLock, SecondCopyIsRefused) {
    QTemporaryDir dir;
    LockFileInstanceLock first(dir.filePath("tarvo.lock"));
    LockFileInstanceLock second(dir.filePath("tarvo.lock"));
    EXPECT_TRUE(first.tryAcquire());
    EXPECT_FALSE(second.tryAcquire());
}

namespace {
// A lock file as Qt writes it here, naming the process given as its owner.
void writeLockOf(const QTemporaryDir& dir, qint64 pid) {
    // The lines after the pid as Qt writes them here (the host's name differs by system).
    QByteArray rest;
    {
        QLockFile probe(dir.filePath("probe.lock"));
        ASSERT_TRUE(probe.tryLock(0));
        QFile written(dir.filePath("probe.lock"));
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        rest = written.readAll();
        rest = rest.mid(rest.indexOf('\n'));
    }
    QFile lock(dir.filePath("tarvo.lock"));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(pid) + rest);
}
} // namespace

TEST(InstanceLock, LockOfADeadProcessIsTakenOver) {
    QTemporaryDir dir;
    // A process that has ended leaves its pid behind, as a killed copy would.
    QProcess child;
#ifdef Q_OS_WIN
    child.start("cmd.exe", {"/c", "exit"});
#else
    child.start("true");
#endif
    ASSERT_TRUE(child.waitForFinished());
    writeLockOf(dir, child.processId() ? child.processId() : 999999);
    LockFileInstanceLock next(dir.filePath("tarvo.lock"));
    EXPECT_TRUE(next.tryAcquire());
}

// A dead copy's lock that names the process number this copy was given: taken over, while a
// lock this process holds still refuses a second.
TEST(InstanceLock, LockOfADeadCopyWithThisProcesssNumberIsTakenOver) {
    QTemporaryDir dir;
    writeLockOf(dir, QCoreApplication::applicationPid());
    LockFileInstanceLock next(dir.filePath("tarvo.lock"));
    EXPECT_TRUE(next.tryAcquire());
    LockFileInstanceLock second(dir.filePath("tarvo.lock"));
    EXPECT_FALSE(second.tryAcquire());
}

TEST(InstanceLock, SecondStartBringsTheMinimisedWindowBackAndWritesNothing) {
    RuntimeDir runtime;
    LockFileInstanceLock runningLock;
    ASSERT_TRUE(QDir::fromNativeSeparators(runningLock.defaultPath()).startsWith(runtime.path()));
    FakeServices running;
    tarvo::Services services = running.services();
    services.instanceLock = &runningLock;
    tarvo::frmMain window(services);
    window.setEndProgram([] {});
    ASSERT_TRUE(window.Form_Load());
    ASSERT_TRUE(runningLock.isListening());

#ifndef Q_OS_WIN
    // The socket beside the lock is the user's alone.
    const QFileInfo socket(LockFileInstanceLock::socketName(runningLock.defaultPath()));
    ASSERT_TRUE(socket.exists());
    EXPECT_EQ(socket.absolutePath(), QFileInfo(runtime.path()).absoluteFilePath());
    const auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                        QFile::WriteOther | QFile::ExeOther;
    EXPECT_EQ(socket.permissions() & others, QFileDevice::Permissions());
#endif

    window.showMinimized();
    ASSERT_TRUE(window.isMinimized());
    FakeServices second; // its folder is in the temporary one, the runtime one on Windows
    const QStringList runtimeBefore = runtime.entries();

    LockFileInstanceLock secondLock;
    tarvo::Services secondServices = second.services();
    secondServices.instanceLock = &secondLock;
    tarvo::frmMain copy(secondServices);
    EXPECT_FALSE(copy.Form_Load());
    EXPECT_FALSE(copy.isVisible());
    EXPECT_FALSE(secondLock.isListening());
    EXPECT_EQ(second.settings.reads, 0);
    EXPECT_TRUE(QDir(second.dir.path())
                    .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
                    .isEmpty());
    EXPECT_EQ(runtime.entries(), runtimeBefore);

#ifndef Q_OS_WIN
    // Under wine a pipe's client on its server's own thread is never read; the end-to-end
    // checks start a real second copy there.
    EXPECT_TRUE(eventually([&] { return !window.isMinimized(); }));
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.windowState().testFlag(Qt::WindowMinimized));
#endif
}

TEST(InstanceLock, OnlyTheHolderListensAndOnlyTheShowRequestCounts) {
    QTemporaryDir dir;
    const QString path = dir.filePath("tarvo.lock");
    LockFileInstanceLock first(path);
    ASSERT_TRUE(first.tryAcquire());
    int shown = 0;
    first.listenForShowRequests([&] { ++shown; });
    ASSERT_TRUE(first.isListening());

    // A refused copy must not take the holder's socket over.
    LockFileInstanceLock second(path);
    ASSERT_FALSE(second.tryAcquire());
    int wrongly = 0;
    second.listenForShowRequests([&] { ++wrongly; });
    EXPECT_FALSE(second.isListening());

    // Anything but the request is dropped without showing anything.
    QLocalSocket other;
    other.connectToServer(LockFileInstanceLock::socketName(path));
    ASSERT_TRUE(other.waitForConnected(10000));
    other.write("quit\n");
    EXPECT_TRUE(eventually([&] { return other.state() == QLocalSocket::UnconnectedState; }));
    EXPECT_EQ(shown, 0);

    askAsAnotherCopy(second);
    EXPECT_TRUE(eventually([&] { return shown == 1; }));
    askAsAnotherCopy(second);
    EXPECT_TRUE(eventually([&] { return shown == 2; }));
    EXPECT_EQ(wrongly, 0);
}

TEST(InstanceLock, NobodyListeningEndsTheSecondCopyQuietly) {
    QTemporaryDir dir;
    const QString path = dir.filePath("tarvo.lock");
    LockFileInstanceLock first(path); // holds the lock but, like an older copy, never listens
    ASSERT_TRUE(first.tryAcquire());
    LockFileInstanceLock second(path);
    ASSERT_FALSE(second.tryAcquire());
    second.askRunningCopyToShow();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{"tarvo.lock"});
}

#ifndef Q_OS_WIN
TEST(InstanceLock, StaleSocketOfADeadCopyIsReplaced) {
    QTemporaryDir dir;
    const QString path = dir.filePath("tarvo.lock");
    const QByteArray socketPath = QFile::encodeName(LockFileInstanceLock::socketName(path));

    // A socket file with nobody behind it, as a killed copy leaves it.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), qsizetype(sizeof(address.sun_path)));
    std::memcpy(address.sun_path, socketPath.constData(), socketPath.size());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
    ASSERT_TRUE(QFileInfo::exists(QFile::decodeName(socketPath)));

    LockFileInstanceLock lock(path);
    ASSERT_TRUE(lock.tryAcquire());
    int shown = 0;
    lock.listenForShowRequests([&] { ++shown; });
    ASSERT_TRUE(lock.isListening());
    LockFileInstanceLock later(path);
    later.askRunningCopyToShow();
    EXPECT_TRUE(eventually([&] { return shown == 1; }));
}
#endif
