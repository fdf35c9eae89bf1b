#include "system/desktop_entry.h"

#include <gtest/gtest.h>

using namespace tarvo;

TEST(DesktopEntry, ReadsOnlyTheDesktopEntryGroup) {
    const auto entry = parseDesktopEntry(QStringLiteral(
        "# comment\n[Other]\nExec=wrong\n[Desktop Entry]\r\nName = Browser\r\nName[ar]=متصفح\n"
        "Exec=\"/opt/a b/run\" %u\nComment=\\sPadded\\tand\\\\slash  \n[Desktop Action new]\n"
        "Exec=also wrong\n"));
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->value(QStringLiteral("Name")), QStringLiteral("Browser"));
    EXPECT_EQ(entry->value(QStringLiteral("Name[ar]")), QStringLiteral("متصفح"));
    EXPECT_EQ(entry->value(QStringLiteral("Exec")), QStringLiteral("\"/opt/a b/run\" %u"));
    EXPECT_EQ(entry->value(QStringLiteral("Comment")), QStringLiteral(" Padded\tand\\slash  "));

    EXPECT_FALSE(parseDesktopEntry(QStringLiteral("[Desktop Entryx]\nExec=x\n")));
    // Blanks before the "=" name no key.
    const auto blankKey = parseDesktopEntry(QStringLiteral("[Desktop Entry]\n\r=x\n \t=y\nA=z\n"));
    ASSERT_TRUE(blankKey);
    EXPECT_EQ(blankKey->keys(), QStringList{QStringLiteral("A")});
}

TEST(DesktopEntry, SplitsExecAndDropsFieldCodes) {
    EXPECT_EQ(splitExec(QStringLiteral("browser %U")), QStringList{QStringLiteral("browser")});
    EXPECT_EQ(splitExec(QStringLiteral("  \"/opt/my \\\"best\\\" browser/run\"  --url=%u  100%% ")),
              (QStringList{QStringLiteral("/opt/my \"best\" browser/run"), QStringLiteral("--url="),
                           QStringLiteral("100%")}));
    EXPECT_EQ(splitExec(QStringLiteral("\"\" x")), (QStringList{QString(), QStringLiteral("x")}));
    EXPECT_EQ(splitExec(QString()), QStringList());
    EXPECT_FALSE(splitExec(QStringLiteral("\"/opt/unterminated %u")));
}

// Inside quotes a backslash escapes only what the format says; before any other character
// it is the path's own, as the shell quoting the format follows reads it.
TEST(DesktopEntry, QuotedBackslashesEscapeOnlyTheReservedFour) {
    EXPECT_EQ(splitExec(QStringLiteral("\"/opt/a\\b/run\" %u")),
              QStringList{QStringLiteral("/opt/a\\b/run")});
    EXPECT_EQ(splitExec(QStringLiteral("\"\\\"\\`\\$\\\\\\n\"")),
              QStringList{QStringLiteral("\"`$\\\\n")});
    EXPECT_EQ(splitExec(QStringLiteral("/opt/a\\ b/run")),
              QStringList{QStringLiteral("/opt/a b/run")});
}

// What a desktop reads back from the file must be the one argument that was written.
TEST(DesktopEntry, QuotedArgumentsSurviveTheFileRoundTrip) {
    for (const QString& program :
         {QStringLiteral("/usr/bin/tarvo"), QStringLiteral("/home/u/My Apps/tarvo"),
          QStringLiteral("/tmp/q\"uo`te$HOME\\x/run"), QStringLiteral("/tmp/100% sure/tarvo"),
          QStringLiteral("/opt/برامج/تارفو"), QStringLiteral(" /lead/blank"),
          QStringLiteral("/tmp/new\nline;&|<>~*?#()'")}) {
        const QString line = QStringLiteral("[Desktop Entry]\nExec=") +
                             escapeDesktopValue(quoteExecArgument(program)) + u'\n';
        const auto entry = parseDesktopEntry(line);
        ASSERT_TRUE(entry) << qPrintable(program);
        EXPECT_EQ(splitExec(entry->value(QStringLiteral("Exec"))), QStringList{program})
            << qPrintable(line);
    }
    EXPECT_EQ(quoteExecArgument(QStringLiteral("/usr/bin/tarvo")),
              QStringLiteral("/usr/bin/tarvo"));
    EXPECT_EQ(quoteExecArgument(QStringLiteral("/a b/c")), QStringLiteral("\"/a b/c\""));
}
