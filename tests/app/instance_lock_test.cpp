#include "app/instance_lock.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using tarvo::LockFileInstanceLock;

TEST(InstanceLock, SecondCopyIsRefused) {
    QTemporaryDir dir;
    LockFileInstanceLock first(dir.filePath("tarvo.lock"));
    LockFileInstanceLock second(dir.filePath("tarvo.lock"));
    EXPECT_TRUE(first.tryAcquire());
    EXPECT_FALSE(second.tryAcquire());
}

TEST(InstanceLock, LockOfADeadProcessIsTakenOver) {
    QTemporaryDir dir;
    // A process that has ended leaves its pid behind, as a killed copy would.
    QProcess child;
    child.start("true");
    ASSERT_TRUE(child.waitForFinished());
    const qint64 deadPid = child.processId() ? child.processId() : 999999;
    QFile lock(dir.filePath("tarvo.lock"));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(deadPid) + "\ntarvo\n" + QSysInfo::machineHostName().toUtf8() +
               "\n");
    lock.close();
    LockFileInstanceLock next(dir.filePath("tarvo.lock"));
    EXPECT_TRUE(next.tryAcquire());
}
