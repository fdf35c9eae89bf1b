#include "common/log.h"

#include "support/temp_dir.h"

#include <QFileInfo>
#include <QLoggingCategory>

#include <gtest/gtest.h>

using namespace tarvo;

namespace {

struct Installed {
    explicit Installed(const QString& dir) { Log::install(dir, nullptr); }
    ~Installed() {
        Log::uninstall();
        QLoggingCategory::setFilterRules(QString());
    }
};

// A flood of failures, each naming a path and a router's answer with line breaks, separators
// and bidirectional controls in it: the log stays within its two files of 1 MB, and every line
// is one whole message.
TEST(Log, AFloodOfHostileFailuresStaysBoundedOneLineAMessage) {
    QTemporaryDir dir;
    const QString hostile =
        QStringLiteral("/tmp/a\nFORGED warning: b\r\u2028c\u202e\u0007") + QString(300, u'x');
    {
        Installed log(dir.path());
        for (int i = 0; i < 5000; ++i)
            qCWarning(lcRouter).noquote() << "the router's answer was refused:" << hostile << i;
        qCInfo(lcHistory) << "the last";
    }
    const QString path = dir.filePath(QLatin1String(Log::kFileName));
    EXPECT_LE(QFileInfo(path).size(), Log::kMaxBytes);
    EXPECT_LE(QFileInfo(path + QStringLiteral(".1")).size(), Log::kMaxBytes);
    EXPECT_GT(QFileInfo(path + QStringLiteral(".1")).size(), Log::kMaxBytes / 2);
    const QList<QByteArray> lines = readAll(path).split('\n');
    ASSERT_GT(lines.size(), 10);
    EXPECT_TRUE(lines.last().isEmpty()); // ends with its line end
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const QString line = QString::fromUtf8(lines[i]);
        ASSERT_TRUE(line.contains(QStringLiteral(" tarvo.router warning: ")) ||
                    line.contains(QStringLiteral(" tarvo.history info: the last")))
            << line.toStdString();
        for (const QChar c : line)
            ASSERT_FALSE(c == u'\r' || c == QChar(0x2028) || c == QChar(0x202e) ||
                         c == QChar(0x07));
    }
    EXPECT_TRUE(QString::fromUtf8(lines[0]).contains(
        QStringLiteral("/tmp/a\\nFORGED warning: b\\r\\u2028c\\u202e\\u0007")));
}

TEST(Log, DebugLinesOnlyWhereTheRulesAskForThem) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QLatin1String(Log::kFileName));
    Installed log(dir.path());
    qCDebug(lcTraffic) << "not written";
    qCInfo(lcTraffic) << "written";
    QLoggingCategory::setFilterRules(QStringLiteral("tarvo.*.debug=true"));
    qCDebug(lcNews) << "now written";
    const QString text = QString::fromUtf8(readAll(path));
    EXPECT_FALSE(text.contains(QStringLiteral("not written")));
    EXPECT_TRUE(text.contains(QStringLiteral("tarvo.traffic info: written")));
    EXPECT_TRUE(text.contains(QStringLiteral("tarvo.news debug: now written")));
}

} // namespace
