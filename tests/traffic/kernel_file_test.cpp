#include "support/temp_dir.h"
#include "traffic/kernel_file.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstring>

#include <gtest/gtest.h>

using tarvo::KernelFile;

TEST(KernelFile, ReadsAfreshFromTheStartEachTime) {
    QTemporaryDir dir;
    const QString path = writeFixture(dir, "flags", "0x1003\n");
    KernelFile file(path.toStdString());
    std::string text;
    ASSERT_TRUE(file.read(text));
    EXPECT_EQ(text, "0x1003\n");
    writeFixture(dir, "flags", "0x9\n");
    ASSERT_TRUE(file.read(text));
    EXPECT_EQ(text, "0x9\n");
}

TEST(KernelFile, ReadsFilesLargerThanOneBuffer) {
    QTemporaryDir dir;
    QByteArray big;
    for (int i = 0; i < 3000; ++i)
        big += "eth" + QByteArray::number(i) + ": 1 2 3\n";
    KernelFile file(writeFixture(dir, "dev", big).toStdString());
    std::string text;
    ASSERT_TRUE(file.read(text));
    EXPECT_EQ(text, big.toStdString());
}

TEST(KernelFile, GoneAndBack) {
    QTemporaryDir dir;
    const QString path = dir.filePath("operstate");
    KernelFile file(path.toStdString());
    std::string text = "stale";
    EXPECT_FALSE(file.read(text));
    EXPECT_TRUE(text.empty());
    writeFixture(dir, "operstate", "up\n");
    ASSERT_TRUE(file.read(text));
    EXPECT_EQ(text, "up\n");
}

TEST(KernelFile, TooLargeFails) {
    QTemporaryDir dir;
    KernelFile file(writeFixture(dir, "huge", QByteArray(70000, 'x')).toStdString(), 65536);
    std::string text;
    EXPECT_FALSE(file.read(text));
}

namespace {

// Reads as /proc does: never more than a page, or only up to the end of the next line.
long pageAtATime(int fd, char* buffer, std::size_t size, long offset) {
    return tarvo::systemReadAt(fd, buffer, std::min<std::size_t>(size, 4096), offset);
}

long lineAtATime(int fd, char* buffer, std::size_t size, long offset) {
    const long n = tarvo::systemReadAt(fd, buffer, size, offset);
    if (n <= 0)
        return n;
    const void* eol = std::memchr(buffer, '\n', std::size_t(n));
    return eol ? long(static_cast<const char*>(eol) - buffer + 1) : n;
}

} // namespace

TEST(KernelFile, ShortReadsGiveTheWholeFile) {
    QTemporaryDir dir;
    QByteArray big;
    for (int i = 0; i < 2000; ++i)
        big += "eth" + QByteArray::number(i) + ": 1 2 3\n";
    const std::string path = writeFixture(dir, "dev", big).toStdString();
    for (const tarvo::ReadAt& readAt : {tarvo::ReadAt(pageAtATime), tarvo::ReadAt(lineAtATime)}) {
        KernelFile file(path, 1 << 22, readAt);
        std::string text;
        ASSERT_TRUE(file.read(text));
        EXPECT_EQ(text, big.toStdString());
        ASSERT_TRUE(file.read(text)); // and again from the start
        EXPECT_EQ(text.size(), std::size_t(big.size()));
    }
}

TEST(KernelFile, AnErrorPartWayFailsTheRead) {
    std::string text = "old";
    int calls = 0;
    const tarvo::ReadAt failSecond = [&](int, char* buffer, std::size_t, long) -> long {
        if (++calls == 2)
            return -1;
        std::memcpy(buffer, "abc", 3);
        return 3;
    };
    EXPECT_FALSE(tarvo::readWhole(failSecond, 0, text, 1024));
    EXPECT_TRUE(text.empty());
}
