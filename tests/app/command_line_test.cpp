#include "app/command_line.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

TEST(CommandLine, OursAndQtsOptions) {
    EXPECT_EQ(parse("").action, Action::Meter);
    EXPECT_EQ(parse("--json --usage").action, Action::Usage);
    EXPECT_TRUE(parse("--json --usage").json);
    EXPECT_EQ(parse("--usage -h").action, Action::Help);
    EXPECT_EQ(parse("--version").action, Action::Version);
    // Qt's, with their values; a value is Qt's even when it looks like one of ours.
    EXPECT_EQ(parse("-platform offscreen --session 1a2b -reverse -qwindowtitle --usage").action,
              Action::Meter);
    EXPECT_EQ(parse("--usage -style=fusion -qmljsdebugger=port:1234").action, Action::Usage);
}

TEST(CommandLine, AnythingElseIsAnErrorNamingIt) {
    for (const char* line : {"--usage --bogus", "-help", "-platform=xcb", "file.txt", "--json",
                             "-platform", "--help -x"}) {
        const CommandLine c = parse(QString::fromLatin1(line));
        EXPECT_EQ(c.action, Action::Error) << line;
        EXPECT_EQ(c.error.count(u'\n'), 2) << "English, Arabic and the hint";
    }
    EXPECT_TRUE(parse("--usage --bogus").error.contains("'--bogus'"));
}

// The built program, copied into a folder that is then its data folder and the user's home:
// whatever it writes shows up there.
TEST(CommandLineProgram, AWrongOptionStartsNothingAnUnreadableHistoryFails) {
    QTemporaryDir dir;
    const QString program = dir.filePath(QFileInfo(QStringLiteral(TARVO_EXECUTABLE)).fileName());
    ASSERT_TRUE(QFile::copy(QStringLiteral(TARVO_EXECUTABLE), program));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"})
        env.insert(QString::fromLatin1(name), dir.path());
    p.setProcessEnvironment(env);
    const auto run = [&p, &program](const QString& option) {
        p.start(program, {option});
        return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit ? p.exitCode()
                                                                                  : -1;
    };
    EXPECT_EQ(run(QStringLiteral("--bogus")), 2);
    EXPECT_TRUE(p.readAllStandardError().contains("--bogus"));
    const QStringList all =
        QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    // No lock, socket, history or setting.
    EXPECT_EQ(all, QStringList{QFileInfo(program).fileName()});
    EXPECT_EQ(run(QStringLiteral("--version")), 0);
    // Windows ends the line as text files there do.
    EXPECT_EQ(p.readAllStandardOutput().replace("\r\n", "\n"), "tarvo " TARVO_VERSION "\n");

    EXPECT_EQ(run(QStringLiteral("--usage")), 0); // no history yet: no traffic
    QFile history(dir.filePath(QStringLiteral("history.sqlite")));
    ASSERT_TRUE(history.open(QIODevice::WriteOnly));
    history.write(QByteArray(4096, 'x'));
    history.close();
    EXPECT_EQ(run(QStringLiteral("--usage")), 1);
    EXPECT_TRUE(
        p.readAllStandardError().contains(QDir::toNativeSeparators(history.fileName()).toUtf8()));
    EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
}
