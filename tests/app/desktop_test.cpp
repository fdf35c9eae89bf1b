#include "app/frm_main.h"
#include "app/menu_style.h"
#include "app/session_platform.h"
#include "calendar/month_calendar.h"
#include "calendar/text_fit.h"
#include "common/caption_fit.h"
#include "support/seen_layout.h"
#include "support/strip_window.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QStyleFactory>
#include <QTest>

#include <gtest/gtest.h>

using namespace tarvo;

namespace {

// The strip loaded over the fakes.
struct Loaded : StripWindow {
    Loaded() { loaded(); }
};

QPalette darkPalette() {
    QPalette dark;
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button, QPalette::AlternateBase})
        dark.setColor(role, QColor(36, 36, 36));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(role, QColor(238, 238, 238));
    return dark;
}

// The darkest grey level in a widget as drawn.
int darkestGrey(QWidget* widget) {
    const QImage image = widget->grab().toImage();
    int darkest = 255;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            darkest = std::min(darkest, qGray(image.pixel(x, y)));
    return darkest;
}

} // namespace

TEST(Desktop, StripColoursHoldUnderADarkTheme) {
    const QPalette before = QApplication::palette();
    QApplication::setPalette(darkPalette());
    {
        Loaded t;
        t.fake.table.set("eth0", 1000, 100);
        t.w->Timer2_Timer();
        t.w->Timer1_Timer();
        t.fake.table.set("eth0", 5000, 200);
        t.w->Timer1_Timer();
        for (QLabel* label : {t.w->Label9, t.w->Label10, t.w->Label6, t.w->Label1})
            EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::black))
                << label->objectName().toStdString();
        for (QLabel* label : {t.w->Label9, t.w->Label10, t.w->Label6})
            EXPECT_LT(darkestGrey(label), 80) << label->objectName().toStdString();
        EXPECT_EQ(t.w->Picture2->palette().color(QPalette::Window), QColor(Qt::white));
        EXPECT_EQ(t.w->Label5->palette().color(QPalette::WindowText), QColor(255, 255, 128));
    }
    QApplication::setPalette(before);
}

TEST(Desktop, EveryControlSeenWholeInTheFontsAtHand) {
    if (QFontDatabase::families().isEmpty())
        GTEST_SKIP() << "no font faces here to measure captions with (Qt's offscreen platform "
                        "on Windows has none; the windows are looked at under wine instead)";
    Loaded t;
    expectSeenWhole(t.w.get());
    t.w->clk->trigger();
    hijri* date = t.w->dateWindow();
    ASSERT_NE(date, nullptr);
    expectSeenWhole(date, {{date->Label1, date->Calendar1, "the hidden converter's format hint"}});
    for (QLineEdit* line : {date->Text4, date->Text5, date->Text3})
        EXPECT_LE(QFontMetricsF(line->font()).horizontalAdvance(line->text()), textRoom(line))
            << line->objectName().toStdString();
    t.w->rss->trigger();
    ASSERT_NE(t.w->newsWindow(), nullptr);
    t.w->newsWindow()->Command3_Click(); // the new-feed panel too
    expectSeenWhole(t.w->newsWindow());
}

TEST(Desktop, CaptionGrowsAroundItsAnchorThenToEitherSide) {
    const QRect box(100, 20, 80, 18);
    const QList<QRect> centred = growthCandidates({Qt::AlignCenter, box, QSize(100, 22)});
    ASSERT_FALSE(centred.isEmpty());
    EXPECT_EQ(centred.first(), QRect(90, 18, 100, 22));
    EXPECT_TRUE(centred.contains(QRect(100, 20, 100, 22)));
    EXPECT_TRUE(centred.contains(QRect(80, 16, 100, 22)));
    const QList<QRect> right = growthCandidates({Qt::AlignRight | Qt::AlignTop, box, {90, 10}});
    EXPECT_EQ(right.first(), QRect(90, 20, 90, 18));
}

TEST(Desktop, WindowsOpenBesideTheCentredStripAndNotOverIt) {
    Loaded t;
    const QRect area = t.w->screen()->availableGeometry();
    // Centred as first shown; the menu bar may settle its height afterwards.
    EXPECT_LE((t.w->frameGeometry().center() - area.center()).manhattanLength(), 8);
    t.w->clk->trigger();
    t.w->rss->trigger();
    for (QWidget* window :
         {static_cast<QWidget*>(t.w->dateWindow()), static_cast<QWidget*>(t.w->newsWindow())}) {
        ASSERT_NE(window, nullptr);
        EXPECT_FALSE(window->frameGeometry().intersects(t.w->frameGeometry()))
            << window->objectName().toStdString();
        EXPECT_TRUE(area.contains(window->frameGeometry())) << window->objectName().toStdString();
    }
    EXPECT_FALSE(t.w->newsWindow()->frameGeometry().intersects(t.w->dateWindow()->frameGeometry()));
    // The news reader's panel, once shown, is on the screen and clear of the strip too.
    t.w->newsWindow()->Command3_Click();
    EXPECT_TRUE(area.contains(t.w->newsWindow()->frameGeometry()));
    EXPECT_FALSE(t.w->newsWindow()->frameGeometry().intersects(t.w->frameGeometry()));
}

TEST(Desktop, AltAloneHighlightsTheFirstMenu) {
    const QString styleName = QApplication::style()->name();
    QApplication::setStyle(new MenuKeyboardStyle(QStyleFactory::create("Fusion")));
    {
        Loaded t;
        QApplication::setActiveWindow(t.w.get());
        QMenuBar* bar = t.w->menuBar();
        const QRect first = bar->actionGeometry(t.w->mnu->menuAction());
        const QImage before = bar->grab(first).toImage();
        QTest::keyPress(t.w.get(), Qt::Key_Alt);
        QTest::keyRelease(t.w.get(), Qt::Key_Alt);
        EXPECT_EQ(bar->activeAction(), t.w->mnu->menuAction());
        EXPECT_NE(bar->grab(first).toImage(), before);
    }
    QApplication::setStyle(QStyleFactory::create(styleName));
}

TEST(Desktop, XWaylandSessionsRunOnX11UnlessThePlatformWasChosen) {
    EXPECT_TRUE(prefersXcb("wayland-0", ":0", ""));
    EXPECT_FALSE(prefersXcb("wayland-0", ":0", "wayland"));
    EXPECT_FALSE(prefersXcb("wayland-0", "", ""));
    EXPECT_FALSE(prefersXcb("", ":0", ""));
}

TEST(Desktop, PlatformChoicesStayWithTheMeterNotWithWhatItStarts) {
    const QByteArray saved = qgetenv("QT_XCB_NO_MITSHM");
    qunsetenv("QT_XCB_NO_MITSHM");
    const QList<QByteArray> set = choosePlatformForSession();
    EXPECT_TRUE(set.contains("QT_XCB_NO_MITSHM"));
    EXPECT_EQ(qgetenv("QT_XCB_NO_MITSHM"), "1");
    forgetPlatformChoices(set);
    EXPECT_FALSE(qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"));
    // The user's own setting is neither overridden nor taken away.
    qputenv("QT_XCB_NO_MITSHM", "0");
    forgetPlatformChoices(choosePlatformForSession());
    EXPECT_EQ(qgetenv("QT_XCB_NO_MITSHM"), "0");
    if (saved.isNull())
        qunsetenv("QT_XCB_NO_MITSHM");
    else
        qputenv("QT_XCB_NO_MITSHM", saved);
}
