#include "support/temp_dir.h"
#include "traffic/kernel_file.h"

#include <QFile>
#include <QTemporaryDir>

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
