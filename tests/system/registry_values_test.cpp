#include "system/memory_registry.h"
#include "system/registry_values.h"

#include <gtest/gtest.h>

using namespace tarvo;

namespace {

const QString key = QStringLiteral("Software\\Test");

QByteArray sz(const char* text) {
    return QByteArray(text) + '\0';
}

QString nameOf(const ValueTable& table, qsizetype column) {
    return table.at(column).name;
}

} // namespace

TEST(ReadKeyValues, ListsEveryValueInEnumerationOrderPastTheFirstGrowth) {
    MemoryRegistry registry;
    for (int i = 0; i < 150; ++i)
        registry.putValue(RegistryRoot::CurrentUser, key, QStringLiteral("v%1").arg(149 - i),
                          RegistryType::String, sz(QByteArray::number(i)));

    const ValueTable table = ReadKeyValues(registry, RegistryRoot::CurrentUser, key);

    ASSERT_EQ(table.size(), 150);
    EXPECT_EQ(nameOf(table, 0), QStringLiteral("v149"));
    EXPECT_EQ(nameOf(table, 100), QStringLiteral("v49"));
    EXPECT_EQ(nameOf(table, 149), QStringLiteral("v0"));
    EXPECT_EQ(std::get<QString>(table.at(101).data), QStringLiteral("101"));
    EXPECT_EQ(registry.openKeyCount(), 0) << "the key must be closed again";
}

TEST(ReadKeyValues, TypesTheDataByRegistryType) {
    MemoryRegistry registry;
    registry.putValue(RegistryRoot::CurrentUser, key, QString(), RegistryType::String,
                      sz("\"C:\\b.exe\" \"%1\""));
    registry.putValue(RegistryRoot::CurrentUser, key, QStringLiteral("noNul"), RegistryType::String,
                      QByteArray("abc"));
    registry.putValue(RegistryRoot::CurrentUser, key, QStringLiteral("arabic"),
                      RegistryType::String, QStringLiteral("متصفح").toUtf8() + '\0');
    registry.putValue(RegistryRoot::CurrentUser, key, QStringLiteral("minusOne"),
                      RegistryType::DWord, QByteArray::fromHex("ffffffff"));
    registry.putValue(RegistryRoot::CurrentUser, key, QStringLiteral("littleEndian"),
                      RegistryType::DWord, QByteArray::fromHex("01020000"));
    registry.putValue(RegistryRoot::CurrentUser, key, QStringLiteral("binary"),
                      RegistryType::Binary, QByteArray::fromHex("00ff10"));
    registry.putValue(RegistryRoot::CurrentUser, key, QStringLiteral("expand"),
                      RegistryType::ExpandString, sz("%HOME%"));

    const ValueTable table = ReadKeyValues(registry, RegistryRoot::CurrentUser, key);

    ASSERT_EQ(table.size(), 7);
    EXPECT_EQ(nameOf(table, 0), QString());
    EXPECT_EQ(std::get<QString>(table.at(0).data), QStringLiteral("\"C:\\b.exe\" \"%1\""));
    EXPECT_EQ(std::get<QString>(table.at(1).data), QStringLiteral("abc"));
    EXPECT_EQ(std::get<QString>(table.at(2).data), QStringLiteral("متصفح"));
    EXPECT_EQ(std::get<qint32>(table.at(3).data), -1);
    EXPECT_EQ(std::get<qint32>(table.at(4).data), 0x201);
    EXPECT_EQ(std::get<QByteArray>(table.at(5).data), QByteArray::fromHex("00ff10"));
    EXPECT_EQ(std::get<QByteArray>(table.at(6).data), sz("%HOME%"));
}

TEST(ReadKeyValues, AValueBeyondTheBuffersEndsTheTableThere) {
    MemoryRegistry registry;
    registry.putValue(RegistryRoot::CurrentUser, key, QString(259, u'a'), RegistryType::String,
                      sz("fits"));
    registry.putValue(RegistryRoot::CurrentUser, key, QStringLiteral("full"), RegistryType::Binary,
                      QByteArray(4096, 'x'));
    registry.putValue(RegistryRoot::CurrentUser, key, QString(260, u'b'), RegistryType::String,
                      sz("too long a name"));
    registry.putValue(RegistryRoot::CurrentUser, key, QStringLiteral("after"), RegistryType::String,
                      sz("never read"));

    ValueTable table = ReadKeyValues(registry, RegistryRoot::CurrentUser, key);
    ASSERT_EQ(table.size(), 2);
    EXPECT_EQ(nameOf(table, 0), QString(259, u'a'));
    EXPECT_EQ(std::get<QByteArray>(table.at(1).data).size(), 4096);

    MemoryRegistry large;
    large.putValue(RegistryRoot::CurrentUser, key, QStringLiteral("first"), RegistryType::String,
                   sz("1"));
    large.putValue(RegistryRoot::CurrentUser, key, QStringLiteral("big"), RegistryType::Binary,
                   QByteArray(4097, 'x'));
    table = ReadKeyValues(large, RegistryRoot::CurrentUser, key);
    ASSERT_EQ(table.size(), 1);
    EXPECT_EQ(nameOf(table, 0), QStringLiteral("first"));
}

TEST(ReadKeyValues, AKeyThatCannotBeOpenedGivesNoColumns) {
    MemoryRegistry registry;
    registry.putValue(RegistryRoot::CurrentUser, QStringLiteral("Software\\Locked"),
                      QStringLiteral("v"), RegistryType::String, sz("x"));
    registry.denyAccess(RegistryRoot::CurrentUser, QStringLiteral("Software\\Locked"));

    EXPECT_TRUE(
        ReadKeyValues(registry, RegistryRoot::CurrentUser, QStringLiteral("Software\\Missing"))
            .isEmpty());
    EXPECT_TRUE(
        ReadKeyValues(registry, RegistryRoot::CurrentUser, QStringLiteral("Software\\Locked"))
            .isEmpty());
    EXPECT_TRUE(ReadKeyValues(registry, RegistryKey(42), QStringLiteral("Software")).isEmpty());
}

TEST(ReadKeyValues, KeyPathsIgnoreCaseAndAnEmptyPathReadsTheRoot) {
    MemoryRegistry registry;
    const QString command = QStringLiteral("HTTP\\Shell\\Open\\Command");
    registry.putValue(RegistryRoot::ClassesRoot, command, QStringLiteral("DelegateExecute"),
                      RegistryType::String, sz("other"));
    // The key's default value: the one whose name is empty.
    registry.putValue(RegistryRoot::ClassesRoot, command, QString(), RegistryType::String,
                      sz("cmd"));
    registry.putValue(RegistryRoot::ClassesRoot, QString(), QStringLiteral("atRoot"),
                      RegistryType::DWord, QByteArray::fromHex("05000000"));

    const QString lowerCase = QStringLiteral("http\\shell\\open\\command");
    const ValueTable values = ReadKeyValues(registry, RegistryRoot::ClassesRoot, lowerCase);
    ASSERT_EQ(values.size(), 2);
    EXPECT_EQ(values.at(0).name, QStringLiteral("DelegateExecute"));
    EXPECT_EQ(std::get<QString>(values.at(0).data), QStringLiteral("other"));
    EXPECT_TRUE(values.at(1).name.isEmpty());
    EXPECT_EQ(std::get<QString>(values.at(1).data), QStringLiteral("cmd"));

    // Written again under the empty name through a path in other case: the same value.
    SetRegistryString(registry, RegistryRoot::ClassesRoot, lowerCase, QString(),
                      QStringLiteral("cmd2"));
    const ValueTable again = ReadKeyValues(registry, RegistryRoot::ClassesRoot, command);
    ASSERT_EQ(again.size(), 2);
    EXPECT_TRUE(again.at(1).name.isEmpty());
    EXPECT_EQ(std::get<QString>(again.at(1).data), QStringLiteral("cmd2"));
    EXPECT_EQ(std::get<QString>(again.at(0).data), QStringLiteral("other"));

    const ValueTable root = ReadKeyValues(registry, RegistryRoot::ClassesRoot, QString());
    ASSERT_EQ(root.size(), 1);
    EXPECT_EQ(root.at(0).name, QStringLiteral("atRoot"));
    EXPECT_EQ(std::get<qint32>(root.at(0).data), 5);
    EXPECT_EQ(registry.openKeyCount(), 0);
}

TEST(SetRegistryString, CreatesTheKeyAndReplacesTheValueOnASecondWrite) {
    MemoryRegistry registry;
    const QString run = QStringLiteral("Software\\microsoft\\windows\\currentversion\\run");

    SetRegistryString(registry, RegistryRoot::LocalMachine, run, QStringLiteral("tarvo"),
                      QStringLiteral("C:\\Tools\\Old.exe"));
    SetRegistryString(registry, RegistryRoot::LocalMachine, run, QStringLiteral("Tarvo"),
                      QStringLiteral("C:\\Tools\\Tarvo.exe"));

    const QList<RegistryValue> values =
        registry.values(RegistryRoot::LocalMachine,
                        QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"));
    ASSERT_EQ(values.size(), 1);
    EXPECT_EQ(values.at(0).type, RegistryType::String);
    EXPECT_EQ(values.at(0).data, sz("C:\\Tools\\Tarvo.exe"));
    EXPECT_EQ(registry.openKeyCount(), 0);
}
