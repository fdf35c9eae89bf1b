#include "support/fake_launcher.h"
#include "support/fakes.h"

#include "system/browser.h"
#include "system/memory_registry.h"
#include "system/system_texts.h"

#include <gtest/gtest.h>

using namespace tarvo;

namespace {

const QString browserError = QStringLiteral("خطأ بالمتصفح!");

void setBrowserCommand(MemoryRegistry& registry, const QString& command) {
    registry.putValue(RegistryRoot::ClassesRoot, QStringLiteral("http\\shell\\open\\command"),
                      QString(), RegistryType::String, command.toUtf8() + '\0');
}

} // namespace

TEST(GetBrowserPath, TakesTheQuotedProgramOfTheFirstValue) {
    MemoryRegistry registry;
    setBrowserCommand(
        registry, QStringLiteral("\"C:\\Program Files\\Browser\\browser.exe\" -osint -url \"%1\""));
    EXPECT_EQ(GetBrowserPath(registry),
              QStringLiteral("\"C:\\Program Files\\Browser\\browser.exe\""));

    setBrowserCommand(registry, QStringLiteral("C:\\browser.exe %1"));
    EXPECT_EQ(GetBrowserPath(registry), QString());
}

TEST(GetBrowserPath, IsInvalidWithoutACommandThatReadsAsText) {
    MemoryRegistry registry;
    EXPECT_EQ(GetBrowserPath(registry), QStringLiteral("Invalid"));

    registry.putValue(RegistryRoot::ClassesRoot, QStringLiteral("http\\shell\\open\\command"),
                      QString(), RegistryType::Binary, QByteArray::fromHex("2241"));
    EXPECT_EQ(GetBrowserPath(registry), QStringLiteral("Invalid"));
}

TEST(OpenInBrowser, PassesTheLinkAsExactlyOneArgument) {
    MemoryRegistry registry;
    setBrowserCommand(registry, QStringLiteral("\"/opt/my browser/run\" \"%1\""));
    FakeLauncher launcher;
    FakeMessages boxes;

    OpenInBrowser(registry, launcher, boxes, QStringLiteral("http://example.org/a b\"c --x "));
    OpenInBrowser(registry, launcher, boxes, QStringLiteral("HTTPS://example.org/"));

    ASSERT_EQ(launcher.started.size(), 2u);
    EXPECT_EQ(launcher.started.at(0).program, QStringLiteral("/opt/my browser/run"));
    EXPECT_EQ(launcher.started.at(0).arguments,
              QStringList{QStringLiteral("http://example.org/a b\"c --x")});
    EXPECT_EQ(launcher.started.at(0).show, ShowState::Normal);
    EXPECT_EQ(launcher.started.at(1).arguments, QStringList{QStringLiteral("HTTPS://example.org/")});
    EXPECT_TRUE(boxes.shown.empty());
}

TEST(OpenInBrowser, OpensNothingAndSaysNothingForOtherSchemes) {
    for (const bool browserSet : {true, false}) {
        MemoryRegistry registry;
        if (browserSet)
            setBrowserCommand(registry, QStringLiteral("\"/usr/bin/browser\" \"%1\""));
        FakeLauncher launcher;
        FakeMessages boxes;
        for (const char* link : {"javascript:alert(1)", "file:///etc/passwd", "ftp://example.org/",
                                 "--new-window http://example.org/", "", "httpx://example.org/"})
            OpenInBrowser(registry, launcher, boxes, QString::fromUtf8(link));
        EXPECT_TRUE(launcher.started.empty());
        EXPECT_TRUE(boxes.shown.empty());
    }
}

TEST(OpenInBrowser, TellsTheUserWhenThereIsNoBrowser) {
    MemoryRegistry registry;
    FakeLauncher launcher;
    FakeMessages boxes;

    OpenInBrowser(registry, launcher, boxes, QStringLiteral("http://example.org/"));

    EXPECT_TRUE(launcher.started.empty());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Tarvo"));
    EXPECT_EQ(boxes.shown[0].text, browserError);
}

TEST(OpenInBrowser, StartsNothingForAnUnquotedCommand) {
    MemoryRegistry registry;
    setBrowserCommand(registry, QStringLiteral("/usr/bin/browser %u"));
    FakeLauncher launcher;
    FakeMessages boxes;

    OpenInBrowser(registry, launcher, boxes, QStringLiteral("http://example.org/"));

    EXPECT_TRUE(launcher.started.empty());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST(DefaultBrowser, CutsWindowsCommandsAfterExeAndTakesTheFirstTokenOtherwise) {
    EXPECT_EQ(browserFromCommand(
                  QStringLiteral("\"C:\\Program Files\\Browser\\browser.EXE\" -url \"%1\"")),
              QStringLiteral("C:\\Program Files\\Browser\\browser.EXE"));
    EXPECT_EQ(browserFromCommand(QStringLiteral("C:\\Pro\"gram\"s\\b.exe -a \"x\"")),
              QStringLiteral("C:\\Programs\\b.exe"));
    EXPECT_EQ(browserFromCommand(QStringLiteral("\"/opt/my browser/run\" \"%1\"")),
              QStringLiteral("/opt/my browser/run"));
    EXPECT_EQ(browserFromCommand(QStringLiteral("/usr/bin/browser --new %u")),
              QStringLiteral("/usr/bin/browser"));
    EXPECT_EQ(browserFromCommand(QStringLiteral("  browser")), QStringLiteral("browser"));
    EXPECT_EQ(browserFromCommand(QString()), QString());
    EXPECT_EQ(browserFromCommand(QStringLiteral("\"\" \"%1\"")), QString());
    // ".exe" inside a name is no program's end.
    EXPECT_EQ(browserFromCommand(QStringLiteral("\"/home/u/.exercism/my.exe-tools/b\" \"%1\"")),
              QStringLiteral("/home/u/.exercism/my.exe-tools/b"));
    EXPECT_EQ(browserFromCommand(QStringLiteral("\"/opt/.exe/run.exe\" \"%1\"")),
              QStringLiteral("/opt/.exe/run.exe"));
    EXPECT_EQ(browserFromCommand(QStringLiteral("C:\\b.exe")), QStringLiteral("C:\\b.exe"));
}

TEST(DefaultBrowser, ReadsTheDefaultValueOfTheHttpCommand) {
    MemoryRegistry registry;
    EXPECT_EQ(DefaultBrowser(registry), QString());

    registry.putValue(RegistryRoot::ClassesRoot, QStringLiteral("HTTP\\shell\\open\\command"),
                      QStringLiteral("other"), RegistryType::String, QByteArray("\"/x\"\0", 5));
    EXPECT_EQ(DefaultBrowser(registry), QString()) << "only the default value counts";

    setBrowserCommand(registry, QStringLiteral("\"/usr/bin/browser\" \"%1\""));
    EXPECT_EQ(DefaultBrowser(registry), QStringLiteral("/usr/bin/browser"));
}

TEST(StartDefaultBrowser, StartsItMinimisedWithoutAnAddressOrTellsTheUser) {
    MemoryRegistry registry;
    FakeLauncher launcher;
    FakeMessages boxes;

    startDefaultBrowser(registry, launcher, boxes);
    EXPECT_TRUE(launcher.started.empty());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Tarvo"));
    EXPECT_EQ(boxes.shown[0].text, browserError);

    setBrowserCommand(registry, QStringLiteral("\"/usr/bin/browser\" \"%1\""));
    launcher.startSucceeds = false;
    startDefaultBrowser(registry, launcher, boxes);
    ASSERT_EQ(launcher.started.size(), 1u);
    EXPECT_EQ(launcher.started.at(0).program, QStringLiteral("/usr/bin/browser"));
    EXPECT_TRUE(launcher.started.at(0).arguments.isEmpty());
    EXPECT_EQ(launcher.started.at(0).show, ShowState::Minimized);
    EXPECT_EQ(boxes.shown.size(), 1u) << "a failed start is not reported";
}

TEST(UsageNote, IsThreeLinesJoinedByOneCarriageReturn) {
    const QStringList lines = usageNote().split(u'\r');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines.at(0),
              QString(23, u' ') + QStringLiteral("- قم بإختيار تشغيل تلقائي من قائمة خيارات -"));
    EXPECT_EQ(lines.at(1),
              QStringLiteral(
                  "- لكي يتم الحساب بطريقة صحيحة يتم إغلاق البرنامج تلقائياً عند إغلاق الحاسب -"));
    EXPECT_EQ(lines.at(2),
              QString(27, u' ') + QStringLiteral("- يتم إحتساب متوسط السرعة لكل دقيقة -"));
    EXPECT_FALSE(usageNote().contains(u'\n'));
}
