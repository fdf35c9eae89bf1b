#include "support/fake_launcher.h"
#include "support/fakes.h"

#include "system/memory_registry.h"
#include "system/network_settings.h"
#include "system/start_at_login.h"
#include "system/system_commands.h"
#include "system/system_texts.h"

#include <gtest/gtest.h>

using namespace tarvo;

TEST(StartAtLogin, StoresTheExecutablePathUnderTheRunKey) {
    MemoryRegistry registry;
    writeStartAtLogin(registry, QStringLiteral("/opt/Tarvo dir/tarvo"));
    writeStartAtLogin(registry, QStringLiteral("/opt/Tarvo dir/tarvo"));

    const QList<RegistryValue> values =
        registry.values(RegistryRoot::CurrentUser,
                        QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run"));
    ASSERT_EQ(values.size(), 1);
    EXPECT_EQ(values.at(0).name, QStringLiteral("tarvo"));
    EXPECT_EQ(values.at(0).data, QByteArray("/opt/Tarvo dir/tarvo") + '\0');
}

TEST(NetworkSettings, StartsTheFirstInstalledSettingsProgram) {
    FakeMessages boxes;

    FakeLauncher kde;
    kde.installed = {QStringLiteral("nm-connection-editor"), QStringLiteral("systemsettings")};
    openNetworkSettings(kde, boxes);
    ASSERT_EQ(kde.started.size(), 1u);
    EXPECT_EQ(kde.started.at(0).program, QStringLiteral("/usr/bin/systemsettings"));
    EXPECT_EQ(kde.started.at(0).arguments, QStringList{QStringLiteral("kcm_networkmanagement")});

    FakeLauncher gnome;
    gnome.installed = {QStringLiteral("nm-connection-editor"),
                       QStringLiteral("gnome-control-center")};
    openNetworkSettings(gnome, boxes);
    ASSERT_EQ(gnome.started.size(), 1u);
    EXPECT_EQ(gnome.started.at(0).arguments, QStringList{QStringLiteral("network")});

    FakeLauncher plain;
    plain.installed = {QStringLiteral("nm-connection-editor")};
    openNetworkSettings(plain, boxes);
    ASSERT_EQ(plain.started.size(), 1u);
    EXPECT_EQ(plain.started.at(0).program, QStringLiteral("/usr/bin/nm-connection-editor"));
    EXPECT_TRUE(plain.started.at(0).arguments.isEmpty());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST(NetworkSettings, SaysSoWhenNoneIsInstalled) {
    FakeLauncher launcher;
    FakeMessages boxes;
    openNetworkSettings(launcher, boxes);
    EXPECT_TRUE(launcher.started.empty());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Tarvo"));
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("لم يتم العثور على برنامج لإعدادات الشبكة!"));
}

TEST(SystemCommands, RunTheMenuCommandsOverTheGivenServices) {
    MemoryRegistry registry;
    registry.putValue(RegistryRoot::ClassesRoot, QStringLiteral("http\\shell\\open\\command"),
                      QString(), RegistryType::String,
                      QByteArray("\"/usr/bin/browser\" \"%1\"") + '\0');
    FakeLauncher launcher;
    FakeMessages boxes;
    SystemCommands commands(registry, launcher, boxes, QStringLiteral("/opt/tarvo/bin/tarvo"));

    commands.showUsageNote();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Tarvo"));
    EXPECT_EQ(boxes.shown[0].text, usageNote());

    commands.writeStartAtLogin();
    const QList<RegistryValue> values = registry.values(RegistryRoot::CurrentUser, runKeyPath());
    ASSERT_EQ(values.size(), 1);
    EXPECT_EQ(values.at(0).data, QByteArray("/opt/tarvo/bin/tarvo") + '\0');

    EXPECT_EQ(commands.defaultBrowser(), QStringLiteral("/usr/bin/browser"));
    commands.openLink(QStringLiteral("https://example.org/news "));
    commands.startBrowser();
    ASSERT_EQ(launcher.started.size(), 2u);
    EXPECT_EQ(launcher.started.at(0).arguments,
              QStringList{QStringLiteral("https://example.org/news")});
    EXPECT_EQ(launcher.started.at(1).show, ShowState::Minimized);
}
