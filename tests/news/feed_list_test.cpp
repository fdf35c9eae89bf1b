#include "news/feed_list.h"

#include "common/data_file.h"

#include "support/read_only_dir.h"
#include "support/temp_dir.h"

#include <QFile>

#include <gtest/gtest.h>

#include <csignal>

#ifndef _WIN32
#include <sys/resource.h>
#endif

using namespace tarvo;

namespace {

class FeedListTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    DataDirectory dataDir{dir.path()};
    FeedListStore store{dataDir};
    QString path() const { return dir.filePath(QStringLiteral("file2.trv")); }
    void write(const QByteArray& bytes) { writeFixture(dir, QStringLiteral("file2.trv"), bytes); }
};

} // namespace

TEST_F(FeedListTest, MissingOrEmptyFileIsAnEmptyList) {
    EXPECT_TRUE(store.load().isEmpty());
    EXPECT_FALSE(QFile::exists(path()));
    write("");
    EXPECT_TRUE(store.load().isEmpty());
}

TEST_F(FeedListTest, LinesAreReadInOrderWithEmptyLinesKept) {
    write("A!http://a\r\n\r\nB!http://b\r\nA!http://a\r\n");
    EXPECT_EQ(store.load(), QStringList({"A!http://a", "", "B!http://b", "A!http://a"}));
    // A hand-edited file: bare LF ends and no end on the last line.
    write("A!x\nB!y");
    EXPECT_EQ(store.load(), QStringList({"A!x", "B!y"}));
}

TEST_F(FeedListTest, LinesOfBothCodePagesAreRead) {
    const QString old = QString::fromUtf8("الأهرام!http://a");
    const QString added = QString::fromUtf8("الجزيرة!http://b");
    write("\xC7\xE1\xC3\xE5\xD1\xC7\xE3!http://a\r\n" + added.toUtf8() + "\r\n");
    EXPECT_EQ(store.load(), QStringList({old, added}));
}

TEST_F(FeedListTest, AddAppendsWithCrLfCreatingTheFile) {
    EXPECT_EQ(addFeed(store, QString::fromUtf8("أخبار"), "http://a/rss"), AddFeedResult::Added);
    EXPECT_EQ(addFeed(store, "B", "http://"), AddFeedResult::Added);
    EXPECT_EQ(addFeed(store, "B", "http://"), AddFeedResult::Added);
    EXPECT_EQ(addFeed(store, " ", " "), AddFeedResult::Added);
    EXPECT_EQ(
        readAll(path()),
        QString::fromUtf8("أخبار!http://a/rss\r\nB!http://\r\nB!http://\r\n ! \r\n").toUtf8());
}

TEST_F(FeedListTest, AddRefusesAnEmptyTitleOrAddress) {
    write("A!a\r\n");
    EXPECT_EQ(addFeed(store, "", "http://a"), AddFeedResult::Incomplete);
    EXPECT_EQ(addFeed(store, "T", ""), AddFeedResult::Incomplete);
    EXPECT_EQ(readAll(path()), QByteArray("A!a\r\n"));
}

TEST_F(FeedListTest, AddAfterALastLineWithoutEndKeepsBothLines) {
    write("A!a");
    ASSERT_EQ(addFeed(store, "B", "b"), AddFeedResult::Added);
    EXPECT_EQ(store.load(), QStringList({"A!a", "B!b"}));
}

TEST_F(FeedListTest, RemovingTheSecondOfTwoIdenticalLines) {
    write("A!a\r\nB!b\r\nA!a\r\n");
    const QStringList entries = store.load();
    ASSERT_TRUE(removeFeedAt(store, entries, 2));
    EXPECT_EQ(readAll(path()), QByteArray("A!a\r\nB!b\r\n"));
    EXPECT_FALSE(removeFeedAt(store, store.load(), 2));
    EXPECT_FALSE(removeFeedAt(store, store.load(), -1));
    EXPECT_EQ(readAll(path()), QByteArray("A!a\r\nB!b\r\n"));
}

TEST_F(FeedListTest, RemovingTheOnlyLineLeavesAZeroLengthFile) {
    write("A!a\r\n");
    ASSERT_TRUE(removeFeedAt(store, store.load(), 0));
    EXPECT_TRUE(QFile::exists(path()));
    EXPECT_EQ(QFile(path()).size(), 0);
    EXPECT_FALSE(QFile::exists(path() + ".tmp"));
}

TEST_F(FeedListTest, RemoveRewritesFromTheGivenEntries) {
    write("A!a\r\nB!b\r\n");
    const QStringList seen = store.load();
    appendToFile(path(), "C!c\r\n"); // from outside, after the list was read
    ASSERT_TRUE(removeFeedAt(store, seen, 0));
    EXPECT_EQ(store.load(), QStringList({"B!b"}));
}

TEST_F(FeedListTest, ReadOnlyDirectoryLeavesTheFileAsItWas) {
    write("A!a\r\nB!b\r\n");
    {
        ReadOnlyDir readOnly(dir.path());
        if (!readOnly.active())
            GTEST_SKIP() << "cannot make a directory read-only here";
        EXPECT_FALSE(removeFeedAt(store, store.load(), 0));
        EXPECT_EQ(readAll(path()), QByteArray("A!a\r\nB!b\r\n"));
        EXPECT_FALSE(QFile::exists(path() + ".tmp"));
    }
    QFile::remove(path());
    ReadOnlyDir readOnly(dir.path());
    EXPECT_EQ(addFeed(store, "A", "a"), AddFeedResult::WriteFailed);
    EXPECT_FALSE(QFile::exists(path()));
}

// A full disk, as the file size limit makes it: the line is written only in part.
TEST_F(FeedListTest, SaveCutShortByAFullDiskLeavesTheFileAsItWas) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no file size limit to stand in for a full disk";
#else
    write("A!a\r\n");
    const QByteArray before = readAll(path());
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit cap = old;
    cap.rlim_cur = rlim_t(before.size() + 4);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &cap), 0);
    const AddFeedResult result = addFeed(store, "Long title", "http://example.org/rss");
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(result, AddFeedResult::WriteFailed);
    EXPECT_EQ(readAll(path()), before);
#endif
}

TEST(SplitFeedEntry, SplitsAtTheFirstBang) {
    const auto plain = splitFeedEntry("News!http://a/rss?x=1!2");
    EXPECT_EQ(plain.title, QString("News"));
    EXPECT_EQ(plain.address, QString("http://a/rss?x=1!2"));

    const auto leading = splitFeedEntry("!http://a");
    EXPECT_EQ(leading.title, QString(""));
    EXPECT_EQ(leading.address, QString("http://a"));

    const auto titleWithBang = splitFeedEntry("Hi! there!http://a");
    EXPECT_EQ(titleWithBang.title, QString("Hi"));
    EXPECT_EQ(titleWithBang.address, QString(" there!http://a"));

    const auto none = splitFeedEntry("http://typed");
    EXPECT_FALSE(none.title);
    EXPECT_EQ(none.address, QString("http://typed"));

    const auto empty = splitFeedEntry("");
    EXPECT_FALSE(empty.title);
    EXPECT_TRUE(empty.address.isEmpty());
}
