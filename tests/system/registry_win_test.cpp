#include "system/registry_values.h"
#include "system/registry_win.h"
#include "system/start_at_login.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <windows.h>

using namespace tarvo;

namespace {

// A key of its own under HKEY_CURRENT_USER, removed with everything in it afterwards.
class ScratchKey : public ::testing::Test {
protected:
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, reinterpret_cast<LPCWSTR>(path.utf16()));
    }
    const QString path = QStringLiteral("Software\\TarvoTest-%1").arg(GetCurrentProcessId());
};

} // namespace

TEST_F(ScratchKey, StringsWrittenAreEnumeratedBackInTheRealRegistry) {
    WinRegistry registry;
    SetRegistryString(registry, RegistryRoot::CurrentUser, path, QStringLiteral("first"),
                      QStringLiteral("C:\\Program Files\\x.exe"));
    SetRegistryString(registry, RegistryRoot::CurrentUser, path, QString(), QStringLiteral("d"));
    SetRegistryString(registry, RegistryRoot::CurrentUser, path, QStringLiteral("first"),
                      QStringLiteral("again"));
    const ValueTable table = ReadKeyValues(registry, RegistryRoot::CurrentUser, path);
    ASSERT_EQ(table.size(), 2);
    QStringList seen;
    for (const ValueColumn& column : table)
        seen << column.name + u'=' + std::get<QString>(column.data);
    seen.sort();
    EXPECT_EQ(seen, (QStringList{QStringLiteral("=d"), QStringLiteral("first=again")}));
    // Key names compare without regard to case, as the platform's do.
    EXPECT_EQ(ReadKeyValues(registry, RegistryRoot::CurrentUser, path.toUpper()).size(), 2);
    EXPECT_TRUE(ReadKeyValues(registry, RegistryRoot::CurrentUser, path + "\\none").isEmpty());
}

// Start at login is the user's own Run value, the program's path with ".exe"; removing it is
// what the uninstaller does.
TEST(StartAtLoginOnWindows, WritesTheUsersRunValueWhichCanBeRemoved) {
    WinRegistry registry;
    const QString exe = QCoreApplication::applicationDirPath() + QStringLiteral("/tarvo");
    writeStartAtLogin(registry, exe);
    const ValueTable run = ReadKeyValues(registry, RegistryRoot::CurrentUser, runKeyPath());
    const auto ours = std::find_if(run.begin(), run.end(), [](const ValueColumn& c) {
        return c.name.compare(runValueName(), Qt::CaseInsensitive) == 0;
    });
    ASSERT_NE(ours, run.end());
    EXPECT_EQ(std::get<QString>(ours->data), startAtLoginPath(exe));
    EXPECT_TRUE(std::get<QString>(ours->data).endsWith(QStringLiteral("\\tarvo.exe")));

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, reinterpret_cast<LPCWSTR>(runKeyPath().utf16()), 0,
                            KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(key, reinterpret_cast<LPCWSTR>(runValueName().utf16())),
              ERROR_SUCCESS);
    RegCloseKey(key);
    for (const ValueColumn& c : ReadKeyValues(registry, RegistryRoot::CurrentUser, runKeyPath()))
        EXPECT_NE(c.name.compare(runValueName(), Qt::CaseInsensitive), 0);
}
