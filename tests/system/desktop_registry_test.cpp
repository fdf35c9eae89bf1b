#include "support/fake_launcher.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

#include "system/browser.h"
#include "system/desktop_entry.h"
#include "system/desktop_registry_linux.h"
#include "system/registry_values.h"
#include "system/start_at_login.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace tarvo;

namespace {

// A fresh user on a desktop-neutral session: nothing of this machine's own desktop
// settings leaks in.
class FreshDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        home = dir.filePath(QStringLiteral("home"));
        QDir().mkpath(home + QStringLiteral("/.local/share/applications"));
        QDir().mkpath(dir.filePath(QStringLiteral("share")));
        QDir().mkpath(dir.filePath(QStringLiteral("etc-xdg")));
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
        env.insert(QStringLiteral("XDG_DATA_DIRS"), dir.filePath(QStringLiteral("share")));
        env.insert(QStringLiteral("XDG_CONFIG_DIRS"), dir.filePath(QStringLiteral("etc-xdg")));
    }

    // A stand-in browser that writes its arguments, NUL-terminated, to argsFile.
    QString makeStandIn(const QString& directory) {
        QDir().mkpath(directory);
        const QString script = directory + QStringLiteral("/standin-browser");
        const QString target = argsFile();
        QFile file(script);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done > '" +
                   target.toUtf8() + ".part'\nmv '" + target.toUtf8() + ".part' '" +
                   target.toUtf8() + "'\n");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return script;
    }

    // Lists every type xdg-settings wants, which spares it adding them (and pausing).
    void installDesktopFile(const QString& relativePath, const QString& exec) {
        const QString path = home + QStringLiteral("/.local/share/applications/") + relativePath;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(("[Desktop Entry]\nType=Application\nName=Stand-in\nExec=" + exec +
                    "\nMimeType=text/html;x-scheme-handler/http;x-scheme-handler/https;"
                    "x-scheme-handler/about;x-scheme-handler/unknown;\n")
                       .toUtf8());
    }

    QString argsFile() const { return dir.filePath(QStringLiteral("args")); }

    // The arguments the stand-in was started with; waits for it with a generous bound.
    std::optional<QStringList> waitForArguments() const {
        if (!QTest::qWaitFor([this] { return QFile::exists(argsFile()); }, 60000))
            return std::nullopt;
        QStringList arguments;
        for (const QByteArray& argument : readAll(argsFile()).split('\0'))
            arguments.append(QString::fromUtf8(argument));
        arguments.removeLast(); // after the last terminator
        return arguments;
    }

    int runXdgSettings(const QStringList& arguments) const {
        QProcess process;
        process.setProcessEnvironment(env);
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(QStringLiteral("xdg-settings"), arguments);
        if (!process.waitForFinished(60000))
            return -1;
        return process.exitCode();
    }

    QString autostartDir() const { return home + QStringLiteral("/.config/autostart"); }

    QTemporaryDir dir;
    QString home;
    QProcessEnvironment env;
};

} // namespace

TEST_F(FreshDesktop, TheBrowserSetWithXdgSettingsOpensAWebLinkAsOneArgument) {
    ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("xdg-settings")).isEmpty())
        << "xdg-settings is needed (package xdg-utils, installed by scripts/setup.sh)";
    const QString standIn = makeStandIn(dir.filePath(QStringLiteral("bin")));
    installDesktopFile(QStringLiteral("standin.desktop"), standIn + QStringLiteral(" %u"));
    ASSERT_EQ(runXdgSettings({QStringLiteral("set"), QStringLiteral("default-web-browser"),
                              QStringLiteral("standin.desktop")}),
              0);

    DesktopRegistry registry(env);
    const ValueTable table = ReadKeyValues(registry, RegistryRoot::ClassesRoot,
                                           QStringLiteral("HTTP\\Shell\\Open\\Command"));
    ASSERT_EQ(table.size(), 1);
    EXPECT_EQ(table.at(0).name, QString());
    EXPECT_EQ(std::get<QString>(table.at(0).data), u'"' + standIn + QStringLiteral("\" \"%1\""));
    EXPECT_EQ(GetBrowserPath(registry), u'"' + standIn + u'"');
    EXPECT_EQ(DefaultBrowser(registry), standIn);

    FakeMessages boxes;
    FakeLauncher refused;
    OpenInBrowser(registry, refused, boxes, QStringLiteral("javascript:alert(1)"));
    OpenInBrowser(registry, refused, boxes, QStringLiteral("file:///etc/passwd "));
    EXPECT_TRUE(refused.started.empty());

    ProcessLauncher launcher;
    OpenInBrowser(registry, launcher, boxes, QStringLiteral("http://example.org/a b\"c "));
    const std::optional<QStringList> arguments = waitForArguments();
    ASSERT_TRUE(arguments) << "the stand-in browser never ran";
    EXPECT_EQ(*arguments, QStringList{QStringLiteral("http://example.org/a b\"c")});
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(FreshDesktop, AMimeappsListAloneNamesTheBrowser) {
    // No xdg-settings on the path: the mimeapps.list files are read directly.
    env.insert(QStringLiteral("PATH"), dir.filePath(QStringLiteral("no-tools")));
    const QString standIn = makeStandIn(dir.filePath(QStringLiteral("my browser")));
    installDesktopFile(QStringLiteral("vendor/web.desktop"),
                       u'"' + standIn + QStringLiteral("\" --new %U"));
    installDesktopFile(QStringLiteral("broken.desktop"), QStringLiteral("/nowhere/browser %u"));
    QDir().mkpath(home + QStringLiteral("/.config"));
    QFile list(home + QStringLiteral("/.config/mimeapps.list"));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("[Added Associations]\nx-scheme-handler/http=other.desktop;\n"
               "[Default Applications]\nx-scheme-handler/http=missing.desktop;broken.desktop;"
               "vendor-web.desktop;\n");
    list.close();

    DesktopRegistry registry(env);
    EXPECT_EQ(GetBrowserPath(registry), u'"' + standIn + u'"');
}

TEST_F(FreshDesktop, WithoutABrowserTheUserIsTold) {
    if (!QStandardPaths::findExecutable(QStringLiteral("x-www-browser")).isEmpty())
        GTEST_SKIP() << "this machine has a system-wide x-www-browser";
    DesktopRegistry registry(env);
    EXPECT_TRUE(ReadKeyValues(registry, RegistryRoot::ClassesRoot,
                              QStringLiteral("http\\shell\\open\\command"))
                    .isEmpty());
    EXPECT_EQ(GetBrowserPath(registry), QStringLiteral("Invalid"));

    FakeLauncher launcher;
    FakeMessages boxes;
    OpenInBrowser(registry, launcher, boxes, QStringLiteral("http://example.org/"));
    startDefaultBrowser(registry, launcher, boxes);
    EXPECT_TRUE(launcher.started.empty());
    ASSERT_EQ(boxes.shown.size(), 2u);
    for (const auto& box : boxes.shown) {
        EXPECT_EQ(box.caption, QStringLiteral("Tarvo"));
        EXPECT_EQ(box.text, QStringLiteral("خطأ بالمتصفح!"));
    }
}

TEST_F(FreshDesktop, StartAtLoginTwiceLeavesOneValidAutostartEntry) {
    const QString program = dir.filePath(QStringLiteral("Tarvo dir/tarvo"));
    DesktopRegistry registry(env);
    writeStartAtLogin(registry, program);
    writeStartAtLogin(registry, program);

    const QStringList files = QDir(autostartDir()).entryList(QDir::Files | QDir::Hidden);
    ASSERT_EQ(files, QStringList{QStringLiteral("tarvo.desktop")});
    const QString file = autostartDir() + QStringLiteral("/tarvo.desktop");
    const auto entry = readDesktopEntryFile(file);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->value(QStringLiteral("Type")), QStringLiteral("Application"));
    EXPECT_FALSE(entry->value(QStringLiteral("Name")).isEmpty());
    const QString exec = entry->value(QStringLiteral("Exec"));
    EXPECT_EQ(exec, u'"' + program + u'"');
    EXPECT_EQ(splitExec(exec), QStringList{program});

    const QString validator =
        QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    ASSERT_FALSE(validator.isEmpty())
        << "desktop-file-validate is needed (package desktop-file-utils, see scripts/setup.sh)";
    QProcess validate;
    validate.start(validator, {file});
    ASSERT_TRUE(validate.waitForFinished(60000));
    EXPECT_EQ(validate.exitCode(), 0) << validate.readAllStandardOutput().constData();
    EXPECT_TRUE(validate.readAllStandardOutput().isEmpty());

    const ValueTable table =
        ReadKeyValues(registry, RegistryRoot::LocalMachine,
                      QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"));
    ASSERT_EQ(table.size(), 1);
    EXPECT_EQ(table.at(0).name, QStringLiteral("tarvo"));
    EXPECT_EQ(std::get<QString>(table.at(0).data), program);
}

TEST_F(FreshDesktop, AutostartFollowsXdgConfigHomeAndQuotesOnlyWhenNeeded) {
    const QString config = dir.filePath(QStringLiteral("config"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    DesktopRegistry registry(env);
    writeStartAtLogin(registry, QStringLiteral("/usr/bin/tarvo"));
    SetRegistryString(registry, RegistryRoot::LocalMachine, DesktopRegistry::runKey,
                      QStringLiteral("../escape"), QStringLiteral("/usr/bin/evil"));

    EXPECT_FALSE(QFile::exists(autostartDir()));
    EXPECT_EQ(QDir(config + QStringLiteral("/autostart")).entryList(QDir::Files),
              QStringList{QStringLiteral("tarvo.desktop")});
    EXPECT_FALSE(QFile::exists(config + QStringLiteral("/escape.desktop")));
    const ValueTable table =
        ReadKeyValues(registry, RegistryRoot::LocalMachine, DesktopRegistry::runKey);
    ASSERT_EQ(table.size(), 1);
    EXPECT_EQ(std::get<QString>(table.at(0).data), QStringLiteral("/usr/bin/tarvo"));
}

TEST_F(FreshDesktop, OtherKeysAreMissing) {
    DesktopRegistry registry(env);
    // The user's Run key is the autostart folder as the machine's is.
    EXPECT_TRUE(registry.openKey(RegistryRoot::CurrentUser, DesktopRegistry::runKey));
    EXPECT_FALSE(registry.openKey(RegistryRoot::CurrentUser, DesktopRegistry::browserCommandKey));
    EXPECT_FALSE(registry.createKey(RegistryRoot::ClassesRoot, DesktopRegistry::browserCommandKey));
    EXPECT_FALSE(registry.createKey(RegistryRoot::LocalMachine, QStringLiteral("Software\\Other")));
    EXPECT_TRUE(ReadKeyValues(registry, RegistryRoot::LocalMachine, QString()).isEmpty());
}

// Whatever the path holds, the entry stays valid, a session runs exactly that program, and
// the value reads back as it was set.
TEST_F(FreshDesktop, AutostartValuesReadBackAsTheyWereSet) {
    const QString validator =
        QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    ASSERT_FALSE(validator.isEmpty())
        << "desktop-file-validate is needed (package desktop-file-utils, see scripts/setup.sh)";
    DesktopRegistry registry(env);
    for (const QString& program :
         {QStringLiteral("/opt/Tarvo dir/tarvo"), QStringLiteral("/tmp/q\"uo`te$HOME\\x/run"),
          QStringLiteral("/tmp/100% sure/%u"), QStringLiteral("/opt/برامج/تارفو"),
          QStringLiteral("/usr/bin/tarvo")}) {
        SetRegistryString(registry, RegistryRoot::LocalMachine, DesktopRegistry::runKey,
                          QStringLiteral("tarvo"), program);
        const QString file = autostartDir() + QStringLiteral("/tarvo.desktop");
        QProcess validate;
        validate.start(validator, {file});
        ASSERT_TRUE(validate.waitForFinished(60000));
        EXPECT_EQ(validate.exitCode(), 0) << validate.readAllStandardOutput().constData();

        const auto entry = readDesktopEntryFile(file);
        ASSERT_TRUE(entry);
        EXPECT_EQ(splitExec(entry->value(QStringLiteral("Exec"))), QStringList{program});
        const ValueTable table =
            ReadKeyValues(registry, RegistryRoot::LocalMachine, DesktopRegistry::runKey);
        ASSERT_EQ(table.size(), 1);
        EXPECT_EQ(std::get<QString>(table.at(0).data), program);
    }

    // An entry of another program with arguments reads as its whole command line.
    QFile other(autostartDir() + QStringLiteral("/other.desktop"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("[Desktop Entry]\nType=Application\nName=Other\nExec=other --tray %U\n");
    other.close();
    const ValueTable table =
        ReadKeyValues(registry, RegistryRoot::LocalMachine, DesktopRegistry::runKey);
    ASSERT_EQ(table.size(), 2);
    EXPECT_EQ(table.at(0).name, QStringLiteral("other"));
    EXPECT_EQ(std::get<QString>(table.at(0).data), QStringLiteral("other --tray %U"));
}

// Odd files on the way to the browser are passed over, and none of them can hold the
// lookup up: a FIFO never gets a writer here.
TEST_F(FreshDesktop, OddDesktopFilesArePassedOverWithoutHanging) {
    env.insert(QStringLiteral("PATH"), dir.filePath(QStringLiteral("no-tools")));
    env.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("Odd"));
    const QString applications = home + QStringLiteral("/.local/share/applications/");
    const QString standIn = makeStandIn(dir.filePath(QStringLiteral("bin")));
    const QString quoted = makeStandIn(dir.filePath(QStringLiteral("a\"b")));

    ASSERT_EQ(::mkfifo(QFile::encodeName(applications + QStringLiteral("fifo.desktop")), 0600), 0);
    QFile huge(applications + QStringLiteral("huge.desktop"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    huge.write("[Desktop Entry]\nType=Application\nName=Huge\nExec=" + standIn.toUtf8() + "\n");
    huge.write(QByteArray(2 << 20, '#'));
    huge.close();
    installDesktopFile(QStringLiteral("noexec.desktop"), QString());
    QFile latin(applications + QStringLiteral("latin.desktop"));
    ASSERT_TRUE(latin.open(QIODevice::WriteOnly));
    latin.write("[Desktop Entry]\nType=Application\nName=caf\xe9\nExec=/opt/caf\xe9/run %u\n");
    latin.close();
    installDesktopFile(QStringLiteral("fieldcodes.desktop"), QStringLiteral("%U %f %%"));
    // A path with a quote cannot be written as "program" "%1" without starting another one.
    installDesktopFile(QStringLiteral("quote.desktop"),
                       u'"' + QString(quoted).replace(u'"', QStringLiteral("\\\\\"")) +
                           QStringLiteral("\" %u"));
    // Sandboxed packages start their browser through env with a few variables set.
    installDesktopFile(QStringLiteral("env.desktop"),
                       QStringLiteral("env BAMF_DESKTOP_FILE_HINT=/var/x.desktop ") + standIn +
                           QStringLiteral(" %u"));

    QDir().mkpath(home + QStringLiteral("/.config/autostart"));
    ASSERT_EQ(
        ::mkfifo(QFile::encodeName(home + QStringLiteral("/.config/odd-mimeapps.list")), 0600), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(autostartDir() + QStringLiteral("/fifo.desktop")), 0600),
              0);
    QFile list(home + QStringLiteral("/.config/mimeapps.list"));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("[Default Applications]\nx-scheme-handler/http=fifo.desktop;huge.desktop;"
               "noexec.desktop;latin.desktop;fieldcodes.desktop;quote.desktop;env.desktop;\n");
    list.close();

    DesktopRegistry registry(env);
    EXPECT_EQ(GetBrowserPath(registry), u'"' + standIn + u'"');
    EXPECT_EQ(DefaultBrowser(registry), standIn);

    writeStartAtLogin(registry, QStringLiteral("/usr/bin/tarvo"));
    const ValueTable table =
        ReadKeyValues(registry, RegistryRoot::LocalMachine, DesktopRegistry::runKey);
    ASSERT_EQ(table.size(), 1);
    EXPECT_EQ(table.at(0).name, QStringLiteral("tarvo"));
}

namespace {

// Gone or a zombie: either way the process runs no more.
bool processEnded(const QString& pid) {
    QFile stat(QStringLiteral("/proc/") + pid + QStringLiteral("/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close < 0 || text.mid(close + 2, 1) == "Z";
}

} // namespace

TEST_F(FreshDesktop, AHangingXdgSettingsIsEndedWithItsChildrenAndTheListsAreRead) {
    const QString tools = dir.filePath(QStringLiteral("tools"));
    QDir().mkpath(tools);
    const QString pidFile = dir.filePath(QStringLiteral("child.pid"));
    QFile stub(tools + QStringLiteral("/xdg-settings"));
    ASSERT_TRUE(stub.open(QIODevice::WriteOnly));
    stub.write("#!/bin/sh\nsleep 600 &\necho $! > '" + pidFile.toUtf8() + "'\nwait\n");
    stub.close();
    stub.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert(QStringLiteral("PATH"), tools + QStringLiteral(":/usr/bin:/bin"));

    const QString standIn = makeStandIn(dir.filePath(QStringLiteral("bin")));
    installDesktopFile(QStringLiteral("standin.desktop"), standIn + QStringLiteral(" %u"));
    QDir().mkpath(home + QStringLiteral("/.config"));
    QFile list(home + QStringLiteral("/.config/mimeapps.list"));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("[Default Applications]\nx-scheme-handler/http=standin.desktop\n");
    list.close();

    DesktopRegistry registry(env);
    EXPECT_EQ(GetBrowserPath(registry), u'"' + standIn + u'"');

    const QString pid = QString::fromLatin1(readAll(pidFile).trimmed());
    ASSERT_FALSE(pid.isEmpty()) << "the stand-in xdg-settings never ran";
    EXPECT_TRUE(QTest::qWaitFor([&] { return processEnded(pid); }, 60000))
        << "xdg-settings left its child running";
    if (!processEnded(pid))
        ::kill(pid.toInt(), SIGKILL);
}

TEST_F(FreshDesktop, AnAutostartPathThatIsNoDirectoryTakesNothingAndBreaksNothing) {
    QDir().mkpath(home + QStringLiteral("/.config"));
    QFile blocker(autostartDir());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.write("not a directory");
    blocker.close();

    DesktopRegistry registry(env);
    writeStartAtLogin(registry, QStringLiteral("/usr/bin/tarvo"));
    EXPECT_EQ(readAll(autostartDir()), QByteArray("not a directory"));
    EXPECT_TRUE(
        ReadKeyValues(registry, RegistryRoot::LocalMachine, DesktopRegistry::runKey).isEmpty());
    EXPECT_EQ(QDir(home + QStringLiteral("/.config")).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("autostart")});
}
