#include "support/temp_dir.h"
#include "traffic/kernel_file.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstring>
#include <sys/stat.h>

#include <gtest/gtest.h>

using tarvo::KernelFile;
using tarvo::ReadAt;

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

// As sysfs does for an interface that left: reads of a file that was removed fail, while a
// regular file stays readable through a descriptor kept open.
long pageAtATimeFailingOnceRemoved(int fd, char* buffer, std::size_t size, long offset) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_nlink == 0)
        return -1;
    return pageAtATime(fd, buffer, size, offset);
}

struct Source {
    const char* name;
    ReadAt readAt;
};

// Every test reads through the kernel's way of handing out files as well as a plain pread.
const Source kSources[] = {{"pread", ReadAt(tarvo::systemReadAt)},
                           {"page at a time", ReadAt(pageAtATime)},
                           {"line at a time", ReadAt(lineAtATime)}};

QByteArray devTable(int lines) {
    QByteArray text;
    for (int i = 0; i < lines; ++i)
        text += "eth" + QByteArray::number(i) + ": 1 2 3\n";
    return text;
}

} // namespace

TEST(KernelFile, ReadsAfreshFromTheStartEachTime) {
    for (const Source& source : kSources) {
        SCOPED_TRACE(source.name);
        QTemporaryDir dir;
        const QString path = writeFixture(dir, "dev", "0x1003\n");
        KernelFile file(path.toStdString(), 1 << 22, source.readAt);
        std::string text;
        ASSERT_TRUE(file.read(text));
        EXPECT_EQ(text, "0x1003\n");
        // Grown past several pages, then shrunk: each read is the file as it is now, with
        // nothing left over from the read before.
        const QByteArray big = devTable(2000);
        ASSERT_GT(big.size(), 4 * 4096);
        writeFixture(dir, "dev", big);
        ASSERT_TRUE(file.read(text));
        EXPECT_EQ(text, big.toStdString());
        ASSERT_TRUE(file.read(text));
        EXPECT_EQ(text, big.toStdString());
        writeFixture(dir, "dev", "0x9\n");
        ASSERT_TRUE(file.read(text));
        EXPECT_EQ(text, "0x9\n");
        writeFixture(dir, "dev", "");
        ASSERT_TRUE(file.read(text));
        EXPECT_EQ(text, "");
    }
}

TEST(KernelFile, GoneAndBack) {
    QTemporaryDir dir;
    const QString path = dir.filePath("operstate");
    KernelFile file(path.toStdString(), 64, pageAtATimeFailingOnceRemoved);
    std::string text = "stale";
    EXPECT_FALSE(file.read(text));
    EXPECT_TRUE(text.empty());
    writeFixture(dir, "operstate", "down\n");
    ASSERT_TRUE(file.read(text));
    EXPECT_EQ(text, "down\n");
    // The interface left: the file kept open no longer reads, and there is none to open.
    ASSERT_TRUE(QFile::remove(path));
    text = "stale";
    EXPECT_FALSE(file.read(text));
    EXPECT_TRUE(text.empty());
    writeFixture(dir, "operstate", "up\n");
    ASSERT_TRUE(file.read(text));
    EXPECT_EQ(text, "up\n");
    // Replaced between two reads, without a read in between: the new file is read.
    ASSERT_TRUE(QFile::remove(path));
    writeFixture(dir, "operstate", "dormant\n");
    ASSERT_TRUE(file.read(text));
    EXPECT_EQ(text, "dormant\n");
}

TEST(KernelFile, ALimitHoldsHoweverTheFileIsHandedOut) {
    constexpr std::size_t limit = 65536;
    for (const Source& source : kSources) {
        SCOPED_TRACE(source.name);
        QTemporaryDir dir;
        QByteArray lines = devTable(8000);
        ASSERT_GT(lines.size(), qsizetype(limit) + 1);
        for (qsizetype size : {qsizetype(limit) - 1, qsizetype(limit), qsizetype(limit) + 1,
                               qsizetype(limit) + 4096}) {
            SCOPED_TRACE(size);
            const QByteArray content = lines.left(size);
            KernelFile file(writeFixture(dir, "table", content).toStdString(), limit,
                            source.readAt);
            std::string text = "stale";
            if (size <= qsizetype(limit)) {
                ASSERT_TRUE(file.read(text));
                EXPECT_EQ(text, content.toStdString());
            } else {
                EXPECT_FALSE(file.read(text));
                EXPECT_TRUE(text.empty());
            }
        }
    }
}

TEST(KernelFile, AFailedReadPartWayIsTriedOnceMoreFromANewOpening) {
    QTemporaryDir dir;
    const QByteArray big = devTable(2000);
    const std::string path = writeFixture(dir, "dev", big).toStdString();
    int failures = 0; // reads still to fail once past the first page
    const ReadAt failing = [&](int fd, char* buffer, std::size_t size, long offset) -> long {
        if (offset > 0 && failures > 0) {
            --failures;
            return -1;
        }
        return pageAtATime(fd, buffer, size, offset);
    };
    KernelFile file(path, 1 << 22, failing);
    std::string text;
    ASSERT_TRUE(file.read(text));
    failures = 1; // a passing error on the file kept open: read again from a new opening
    ASSERT_TRUE(file.read(text));
    EXPECT_EQ(text, big.toStdString());
    failures = 2; // it stays: the read fails, leaving nothing half read
    text = "stale";
    EXPECT_FALSE(file.read(text));
    EXPECT_TRUE(text.empty());
    failures = 0; // and the next reading works again
    ASSERT_TRUE(file.read(text));
    EXPECT_EQ(text, big.toStdString());
}

TEST(KernelFile, AnErrorPartWayFailsTheRead) {
    std::string text = "old";
    int calls = 0;
    const ReadAt failSecond = [&](int, char* buffer, std::size_t, long) -> long {
        if (++calls == 2)
            return -1;
        std::memcpy(buffer, "abc", 3);
        return 3;
    };
    EXPECT_FALSE(tarvo::readWhole(failSecond, 0, text, 1024));
    EXPECT_TRUE(text.empty());
}
