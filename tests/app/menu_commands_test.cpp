#include "app/frm_main.h"
#include "calendar/hijri.h"
#include "news/frmrss.h"
#include "support/strip_window.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace tarvo;

namespace {

const QString kRunKey = "Software\\microsoft\\windows\\currentversion\\run";
const QString kBrowserKey = "http\\shell\\open\\command";

// The strip loaded over the fakes, with no totals file yet.
struct Loaded : StripWindow {
    Loaded() : StripWindow(nullptr) { loaded(); }
};

} // namespace

TEST(MenuCommands, ExitWarnsAndOnlyMinimises) {
    Loaded t;
    t.w->exit->trigger();
    ASSERT_EQ(t.fake.messages.shown.size(), 1u);
    EXPECT_EQ(t.fake.messages.shown[0].caption, u"Tarvo");
    EXPECT_EQ(t.fake.messages.shown[0].text,
              u"إذا تم الخروج من البرنامج الآن لن يتم الحساب بطريقة صحيحة، سيتم تصغير البرنامج");
    EXPECT_TRUE(t.w->isMinimized());
    EXPECT_EQ(t.ended, 0);
    EXPECT_TRUE(t.w->isTimer1Enabled());
    EXPECT_TRUE(t.w->tick->isActive());
    t.w->showNormal();
    t.w->mino->trigger();
    EXPECT_TRUE(t.w->isMinimized());
    EXPECT_EQ(t.fake.messages.shown.size(), 1u);
}

TEST(MenuCommands, UsageNoteIsThreeLinesJoinedByCr) {
    Loaded t;
    t.w->hotus->trigger();
    ASSERT_EQ(t.fake.messages.shown.size(), 1u);
    const QStringList lines = t.fake.messages.shown[0].text.split(u'\r');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith(QString(23, u' ') + QStringLiteral("- قم")));
    EXPECT_TRUE(lines[2].startsWith(QString(27, u' ') + QStringLiteral("- يتم")));
    EXPECT_FALSE(t.fake.messages.shown[0].text.contains(u'\n'));
}

TEST(MenuCommands, StartAtLoginWritesOneEntryWithTheExecutable) {
    Loaded t;
    t.w->opaut->trigger();
    t.w->opaut->trigger();
    // The user's own Run key: the machine's needs administrator rights.
    EXPECT_TRUE(t.fake.registry.values(RegistryRoot::LocalMachine, kRunKey).isEmpty());
    const auto values = t.fake.registry.values(RegistryRoot::CurrentUser, kRunKey);
    ASSERT_EQ(values.size(), 1);
    EXPECT_EQ(values[0].name, u"tarvo");
#ifdef Q_OS_WIN
    EXPECT_TRUE(values[0].data.contains(":\\opt\\tarvo\\bin\\tarvo.exe"));
#else
    EXPECT_TRUE(values[0].data.startsWith("/opt/tarvo/bin/tarvo"));
#endif
    EXPECT_TRUE(t.fake.messages.shown.empty());
}

TEST(MenuCommands, BrowserStartsWithoutAnAddress) {
    Loaded t;
    t.fake.registry.putValue(RegistryRoot::ClassesRoot, kBrowserKey, "", RegistryType::String,
                             QByteArray("\"/usr/bin/stand-in\" \"%1\"") + '\0');
    EXPECT_EQ(t.w->DefaultBrowser(), u"/usr/bin/stand-in");
    t.w->brop->trigger();
    ASSERT_EQ(t.fake.launcher.started.size(), 1u);
    EXPECT_EQ(t.fake.launcher.started[0].program, u"/usr/bin/stand-in");
    EXPECT_TRUE(t.fake.launcher.started[0].arguments.isEmpty());
}

TEST(MenuCommands, NoBrowserSaysSo) {
    Loaded t;
    t.w->brop->trigger();
    EXPECT_TRUE(t.fake.launcher.started.empty());
    ASSERT_EQ(t.fake.messages.shown.size(), 1u);
    EXPECT_EQ(t.fake.messages.shown[0].text, u"خطأ بالمتصفح!");
}

TEST(MenuCommands, NetworkSettingsOfTheDesktop) {
    Loaded t;
    t.fake.launcher.installed = {"nm-connection-editor"};
    t.w->inop->trigger();
    ASSERT_EQ(t.fake.launcher.started.size(), 1u);
#ifdef Q_OS_WIN
    // The Internet Options dialog.
    EXPECT_TRUE(t.fake.launcher.started[0].arguments.contains("inetcpl.cpl,,0"));
#else
    EXPECT_TRUE(t.fake.launcher.started[0].program.endsWith("nm-connection-editor"));
#endif
}

TEST(MenuCommands, ClockOpensOneDateWindowLoadedOnce) {
    Loaded t;
    t.w->clk->trigger();
    hijri* first = t.w->dateWindow();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(first->isModal());
    EXPECT_EQ(first->Text4->text(), u"الجمعة"); // the fake clock's Friday, 7 April 2017
    // Opened again while open: the same window, not reloaded.
    first->Text4->setText("marker");
    t.w->clk->trigger();
    EXPECT_EQ(t.w->dateWindow(), first);
    EXPECT_EQ(first->Text4->text(), u"marker");
    // Closed and opened again: loaded afresh.
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(t.w->dateWindow(), nullptr);
    t.w->clk->trigger();
    ASSERT_NE(t.w->dateWindow(), nullptr);
    EXPECT_EQ(t.w->dateWindow()->Text4->text(), u"الجمعة");
    // Its Exit ends the program without the main window's closing steps.
    t.w->dateWindow()->Command2_Click();
    EXPECT_EQ(t.ended, 1);
    EXPECT_TRUE(t.w->isTimer1Enabled());
}

TEST(MenuCommands, NewsReaderIsOneWindow) {
    Loaded t;
    writeFixture(t.fake.dir, "file2.trv", "one!http://127.0.0.1:1/\r\n");
    t.w->rss->trigger();
    frmrss* reader = t.w->newsWindow();
    ASSERT_NE(reader, nullptr);
    EXPECT_TRUE(reader->isVisible());
    EXPECT_FALSE(reader->isModal());
    t.w->rss->trigger();
    EXPECT_EQ(t.w->newsWindow(), reader);
    reader->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(t.w->newsWindow(), nullptr);
}

TEST(MenuCommands, HeadlineOpensInTheBrowserAsOneArgument) {
    Loaded t;
    t.fake.registry.putValue(RegistryRoot::ClassesRoot, kBrowserKey, "", RegistryType::String,
                             QByteArray("\"/usr/bin/stand-in\" \"%1\"") + '\0');
    const QString feed =
        writeFixture(t.fake.dir, "feed.xml",
                     "<rss><channel>"
                     "<item><title>one</title><link>http://example.org/a b\"c</link></item>"
                     "<item><title>two</title><link>javascript:alert(1)</link></item>"
                     "<item><title>three</title><link>https://example.org/3</link></item>"
                     "</channel></rss>");
    writeFixture(t.fake.dir, "file2.trv", ("feed!" + feed + "\r\n").toUtf8());
    t.w->rss->trigger();
    frmrss* reader = t.w->newsWindow();
    ASSERT_NE(reader, nullptr);
    reader->co1->setCurrentIndex(0);
    QSignalSpy listed(reader, &frmrss::viewFinished);
    reader->Command2->click();
    ASSERT_TRUE(listed.count() > 0 || listed.wait(10000));
    ASSERT_EQ(reader->List1->count(), 3);
    // Enter opens the headline chosen; the arrow keys only choose.
    reader->List1->setFocus();
    for (int row = 0; row < 3; ++row) {
        reader->List1->setCurrentRow(row);
        QTest::keyClick(reader->List1, Qt::Key_Return);
    }
    QTest::keyClick(reader->List1, Qt::Key_Up);
    ASSERT_EQ(t.fake.launcher.started.size(), 2u);
    EXPECT_EQ(t.fake.launcher.started[0].program, u"/usr/bin/stand-in");
    EXPECT_EQ(t.fake.launcher.started[0].arguments, QStringList{"http://example.org/a b\"c"});
    // The javascript: link between them opened nothing.
    EXPECT_EQ(t.fake.launcher.started[1].arguments, QStringList{"https://example.org/3"});
    EXPECT_TRUE(t.fake.messages.shown.empty());
}
