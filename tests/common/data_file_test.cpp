#include "common/code_pages.h"
#include "common/data_directory.h"
#include "common/data_file.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <QStringDecoder>

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

using namespace tarvo;

TEST(DataFile, FirstLineEndsAtCrOrLf) {
    QTemporaryDir dir;
    EXPECT_EQ(readFirstLine(writeFixture(dir, "a", "1024**2048\r\nnext\r\n")), u"1024**2048");
    EXPECT_EQ(readFirstLine(writeFixture(dir, "b", "one\rtwo")), u"one");
    EXPECT_EQ(readFirstLine(writeFixture(dir, "c", "one\ntwo\r")), u"one");
    EXPECT_EQ(readFirstLine(writeFixture(dir, "d", "no line end")), u"no line end");
    EXPECT_EQ(readFirstLine(writeFixture(dir, "e", "")), u"");
    EXPECT_FALSE(readFirstLine(dir.filePath("missing")).has_value());
}

TEST(DataFile, ReadsWholeFilesUpToTheLimit) {
    QTemporaryDir dir;
    QByteArray big;
    for (int i = 0; big.size() < 10000; ++i)
        big += QByteArray::number(i) + ' ';
    const QString path = writeFixture(dir, "big", big);
    EXPECT_EQ(readFileBytes(path, big.size()), big);
    EXPECT_EQ(readFileBytes(path, 1 << 20), big);
    EXPECT_FALSE(readFileBytes(path, big.size() - 1).has_value());
    EXPECT_EQ(readFileBytes(writeFixture(dir, "empty", ""), 10), QByteArray());
    EXPECT_FALSE(readFileBytes(dir.filePath("missing"), 10).has_value());
    // Past the first step of the read, the limit still holds to the byte.
    QFile growing(path);
    ASSERT_TRUE(growing.open(QIODevice::Append));
    growing.write(QByteArray(5000, 'x'));
    growing.close();
    EXPECT_EQ(readFileBytes(path, 1 << 20)->size(), big.size() + 5000);
    EXPECT_FALSE(readFileBytes(path, big.size() + 4999).has_value());
}

TEST(DataFile, DecodesUtf8ElseArabicCodePage) {
    EXPECT_EQ(
        decodeDataText(QByteArray("\xd8\xa7\xd9\x84\xd8\xa3\xd8\xae\xd8\xa8\xd8\xa7\xd8\xb1")),
        u"الأخبار");
    // The same word as the Arabic Windows code page writes it.
    EXPECT_EQ(decodeDataText(QByteArray("\xc7\xe1\xc3\xce\xc8\xc7\xd1")), u"الأخبار");
    EXPECT_EQ(decodeDataText("plain"), u"plain");
    // Every byte of the code page as the platform's own decoder reads it, where it has one.
    QStringDecoder arabic("windows-1256");
    if (!arabic.isValid())
        return;
    QByteArray all;
    for (int byte = 0x80; byte < 0x100; ++byte)
        all += char(byte);
    EXPECT_EQ(decodeDataText(all), arabic(all));
}

TEST(CodePages, IsoArabicAsThePlatformsDecoderReadsIt) {
    const QByteArray word("\xc7\xe4\xc3\xce\xc8\xc7\xd1");
    EXPECT_EQ(decodeNamedArabicCodePage(u"iso-8859-6", word), u"الأخبار");
    EXPECT_EQ(decodeNamedArabicCodePage(u"CP1256", "\xc7\xe1"), u"ال");
    EXPECT_FALSE(decodeNamedArabicCodePage(u"iso-8859-6", "\xc7\xfe").has_value());
    EXPECT_FALSE(decodeNamedArabicCodePage(u"koi8-r", word).has_value());
    QStringDecoder iso("ISO-8859-6");
    if (!iso.isValid())
        return;
    for (int byte = 0; byte < 0x100; ++byte) {
        const QByteArray one(1, char(byte));
        const QString platform = iso(one);
        const std::optional<QString> ours = decodeNamedArabicCodePage(u"ISO-8859-6", one);
        EXPECT_EQ(ours.value_or(QString(QChar::ReplacementCharacter)), platform) << byte;
    }
}

TEST(DataFile, AppendCreatesAndExtends) {
    QTemporaryDir dir;
    const QString path = dir.filePath("list");
    ASSERT_TRUE(appendToFile(path, "a\r\n"));
    ASSERT_TRUE(appendToFile(path, "b\r\n"));
    EXPECT_EQ(readAll(path), QByteArray("a\r\nb\r\n"));
}

TEST(AtomicFileWriter, ReplacesWholeFileAndLeavesNoTemporary) {
    QTemporaryDir dir;
    const QString path = writeFixture(dir, "file1.trv", "old line that is longer\r\n");
    AtomicFileWriter writer(std::chrono::seconds(0));
    ASSERT_TRUE(writer.write(path, "new\r\n"));
    EXPECT_EQ(readAll(path), QByteArray("new\r\n"));
    EXPECT_FALSE(QFile::exists(AtomicFileWriter::temporaryPathFor(path)));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"file1.trv"});
}

TEST(AtomicFileWriter, FailedWriteKeepsPreviousFile) {
    QTemporaryDir dir;
    const QString path = writeFixture(dir, "file1.trv", "kept\r\n");
    // A directory standing where the temporary file goes makes the write fail.
    ASSERT_TRUE(QDir(dir.path()).mkdir("file1.trv.tmp"));
    AtomicFileWriter writer;
    EXPECT_FALSE(writer.write(path, "lost\r\n"));
    EXPECT_EQ(readAll(path), QByteArray("kept\r\n"));
}

namespace {
// The file's identity where the platform has one (on Windows every rewrite is a new file).
std::optional<std::uint64_t> fileNumber(const QString& path) {
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    return std::nullopt;
#else
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return std::uint64_t(status.st_ino);
#endif
}
} // namespace

TEST(AtomicFileWriter, RewritesHoldExactlyTheNewBytesGoingInPlaceOnlyWhereThatIsSafe) {
    QTemporaryDir dir;
    const QString path = dir.filePath("file1.trv");
    AtomicFileWriter writer(std::chrono::seconds(0));
    ASSERT_TRUE(writer.rewrite(path, "99**1\r\n"));
    const auto first = fileNumber(path);
    // Longer or as long: the same file.
    for (const QByteArray& bytes : {QByteArray("100**1\r\n"), QByteArray("100**2\r\n")}) {
        ASSERT_TRUE(writer.rewrite(path, bytes));
        EXPECT_EQ(readAll(path), bytes);
        EXPECT_EQ(fileNumber(path), first);
    }
    // Deleted: made anew.
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(writer.rewrite(path, "100**3\r\n"));
    EXPECT_EQ(readAll(path), QByteArray("100**3\r\n"));
    // Changed from outside, shorter, or past one page: written whole, no old tail left.
    writeFixture(dir, "file1.trv", "a longer line put there by hand\r\n");
    for (const QByteArray& bytes :
         {QByteArray("101**2\r\n"), QByteArray(" ** \r\n"), QByteArray(5000, 'x')}) {
        ASSERT_TRUE(writer.rewrite(path, bytes));
        EXPECT_EQ(readAll(path), bytes);
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"file1.trv"});
}

TEST(AtomicFileWriter, MissingDirectoryFails) {
    QTemporaryDir dir;
    AtomicFileWriter writer;
    EXPECT_FALSE(writer.write(dir.filePath("no/such/file"), "x"));
}

TEST(DataDirectory, CreatedOnlyWhenAsked) {
    QTemporaryDir dir;
    DataDirectory data(dir.filePath("sub/tarvo"));
    EXPECT_FALSE(QFileInfo::exists(data.path()));
    EXPECT_EQ(data.filePath("file1.trv"), dir.filePath("sub/tarvo/file1.trv"));
    ASSERT_TRUE(data.ensureExists());
    EXPECT_TRUE(QFileInfo(data.path()).isDir());
}

TEST(DataDirectory, BesideTheProgramOnlyOutsideSystemTreesAndWhenWritable) {
    if (filePathSensitivity() == Qt::CaseInsensitive)
        GTEST_SKIP() << "the trees of Linux; Windows has its own below";
    const QString user = "/home/u/.local/share/Tarvo/Tarvo";
    EXPECT_EQ(DataDirectory::choose("/home/u/tarvo/build/src/app", true, user),
              "/home/u/tarvo/build/src/app");
    EXPECT_EQ(DataDirectory::choose("/home/u/Downloads/tarvo", false, user), user);
    for (const char* system : {"/usr/local/bin", "/usr/bin", "/usr", "/opt/tarvo/bin", "/opt",
                               "/usr/local/bin/../bin", "/bin"})
        EXPECT_EQ(DataDirectory::choose(system, true, user), user) << system;
    // Only whole path components count.
    EXPECT_EQ(DataDirectory::choose("/optional/tarvo", true, user), "/optional/tarvo");
    EXPECT_EQ(DataDirectory::choose("/usrdata/tarvo", true, user), "/usrdata/tarvo");
}

// Windows: not under Program Files, in any spelling of its case or separators; a per-user
// install or an unpacked zip keeps its data with it.
TEST(DataDirectory, OnWindowsBesideTheProgramOutsideProgramFiles) {
    const QStringList trees{"C:\\Program Files", "C:\\Program Files (x86)", "C:\\Windows"};
    const QString user = "C:/Users/u/AppData/Local/Tarvo";
    for (const char* system : {"C:/Program Files/Tarvo", "c:\\program files\\tarvo",
                               "C:/Program Files (x86)/Tarvo/bin", "C:/WINDOWS/system32"})
        EXPECT_EQ(DataDirectory::choose(system, true, user, trees, Qt::CaseInsensitive), user)
            << system;
    const QString installed = "C:/Users/u/AppData/Local/Programs/Tarvo";
    EXPECT_EQ(DataDirectory::choose(installed, true, user, trees, Qt::CaseInsensitive), installed);
    EXPECT_EQ(DataDirectory::choose("D:/Program Files Tools/Tarvo", true, user, trees,
                                    Qt::CaseInsensitive),
              "D:/Program Files Tools/Tarvo");
    EXPECT_EQ(DataDirectory::choose("E:/tarvo", false, user, trees, Qt::CaseInsensitive), user);
}
