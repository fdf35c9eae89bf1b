#include "app/command_line.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tarvo;
using Action = CommandLine::Action;

namespace {

CommandLine parse(const QString& line) {
    return parseCommandLine(line.split(u' ', Qt::SkipEmptyParts));
}

} // namespace

TEST(CommandLine, OurOptions) {
    EXPECT_EQ(parse("").action, Action::Meter);
    EXPECT_EQ(parse("--usage").action, Action::Usage);
    EXPECT_FALSE(parse("--usage").json);
    EXPECT_TRUE(parse("--json --usage").json);
    EXPECT_EQ(parse("--json --usage").action, Action::Usage);
    EXPECT_EQ(parse("-h").action, Action::Help);
    EXPECT_EQ(parse("--usage --help").action, Action::Help);
    EXPECT_EQ(parse("--version").action, Action::Version);
}

TEST(CommandLine, QtsOwnOptionsPassWithTheirValues) {
    EXPECT_EQ(parse("-platform offscreen --display :1 -session 1a2b -reverse --sync").action,
              Action::Meter);
    // A value is Qt's even when it looks like an option of ours.
    EXPECT_EQ(parse("-qwindowtitle --usage").action, Action::Meter);
    EXPECT_EQ(parse("-style=fusion --stylesheet=a.qss -qmljsdebugger=port:1234").action,
              Action::Meter);
    EXPECT_EQ(parse("--usage --json -platform offscreen").action, Action::Usage);
}

TEST(CommandLine, AnythingElseIsAnErrorNamingIt) {
    for (const QString line : {"--bogus", "--usage --bogus", "-help", "-platform=xcb", "file.txt",
                               "--json", "-platform", "--help -x"}) {
        const CommandLine c = parse(line);
        EXPECT_EQ(c.action, Action::Error) << line.toStdString();
        EXPECT_EQ(c.error.count(u'\n'), 2) << "English, Arabic and the hint";
    }
    EXPECT_TRUE(parse("--usage --bogus").error.contains("'--bogus'"));
    EXPECT_TRUE(parse("--json").error.contains("'--usage'"));
}

#ifdef TARVO_EXECUTABLE

namespace {

// The built program copied into a folder of its own, which is then its data folder, with the
// user's folders in there too: what it writes shows up there.
struct Sandbox {
    QTemporaryDir dir;
    QString program = dir.filePath(QStringLiteral("tarvo"));
    Sandbox() { QFile::copy(QStringLiteral(TARVO_EXECUTABLE), program); }
    QStringList files() const {
        QStringList all;
        QDirIterator it(dir.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            all << QDir(dir.path()).relativeFilePath(it.next());
        return all;
    }
    int run(const QStringList& arguments, QByteArray* out = nullptr, QByteArray* err = nullptr) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"})
            env.insert(QString::fromLatin1(name), dir.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.start(program, arguments);
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished();
            return -1;
        }
        if (out)
            *out = p.readAllStandardOutput();
        if (err)
            *err = p.readAllStandardError();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
};

} // namespace

TEST(CommandLineProgram, AWrongOptionEndsWithTwoAndStartsNothing) {
    Sandbox box;
    QByteArray out, err;
    EXPECT_EQ(box.run({QStringLiteral("--bogus")}, &out, &err), 2);
    EXPECT_TRUE(err.contains("--bogus"));
    EXPECT_TRUE(out.isEmpty());
    EXPECT_EQ(box.files(), QStringList{QStringLiteral("tarvo")});
    EXPECT_EQ(box.run({QStringLiteral("--help")}, &out), 0);
    EXPECT_TRUE(out.contains("--version"));
    EXPECT_EQ(box.run({QStringLiteral("--version")}, &out), 0);
    EXPECT_EQ(out, "tarvo " TARVO_VERSION "\n");
    EXPECT_EQ(box.files(), QStringList{QStringLiteral("tarvo")});
}

TEST(CommandLineProgram, UsageOfAnUnreadableHistoryFailsNamingTheFile) {
    Sandbox box;
    QByteArray out, err;
    // No history yet: no traffic, and no error.
    EXPECT_EQ(box.run({QStringLiteral("--usage"), QStringLiteral("--json")}, &out, &err), 0);
    EXPECT_TRUE(out.contains("\"days\"")) << out.toStdString();
    const QString history = box.dir.filePath(QStringLiteral("history.sqlite"));
    QFile f(history);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    EXPECT_EQ(box.run({QStringLiteral("--usage")}, &out, &err), 1);
    EXPECT_TRUE(out.isEmpty());
    EXPECT_TRUE(err.contains(history.toUtf8())) << err.toStdString();
}

#endif
