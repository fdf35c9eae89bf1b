#include "app/frm_main.h"
#include "common/caption_fit.h"
#include "common/form_layout.h"
#include "support/qt_printers.h"
#include "support/seen_layout.h"
#include "support/strip_window.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#ifdef TARVO_TEST_XCB
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#endif

#include <gtest/gtest.h>

using namespace tarvo;

namespace {

const QString kConnected = QStringLiteral("متصل");

using Window = StripWindow;

QStringList captions(const QList<QAction*>& actions) {
    QStringList out;
    for (QAction* a : actions)
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

#ifdef TARVO_TEST_XCB
// _NET_WM_STATE_ABOVE among the states the window manager lists for the window; none when
// no window manager that keeps the states runs.
std::optional<bool> netWmStateAbove(QWidget& w) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return std::nullopt;
    xcb_connection_t* c = x11->connection();
    const auto atom = [c](const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return a;
    };
    const auto atoms = [c](xcb_window_t window, xcb_atom_t property, xcb_atom_t type) {
        std::vector<uint32_t> out;
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            c, xcb_get_property(c, 0, window, property, type, 0, 1024), nullptr);
        if (reply && reply->format == 32) {
            const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply));
            out.assign(data, data + xcb_get_property_value_length(reply) / 4);
        }
        std::free(reply);
        return out;
    };
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    if (atoms(root, atom("_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW).empty())
        return std::nullopt;
    const std::vector<uint32_t> states =
        atoms(xcb_window_t(w.winId()), atom("_NET_WM_STATE"), XCB_ATOM_ATOM);
    return std::find(states.begin(), states.end(), atom("_NET_WM_STATE_ABOVE")) != states.end();
}
#else
std::optional<bool> netWmStateAbove(QWidget&) {
    return std::nullopt;
}
#endif

} // namespace

TEST(frmMain, CreatedWithItsControlsAndMenuTree) {
    Window t;
    frmMain& w = t.make();
    EXPECT_EQ(w.windowTitle(), u"TVM");
    EXPECT_FALSE(w.windowIcon().isNull());
    EXPECT_EQ(captions(w.menuBar()->actions()), (QStringList{"خيارات", "تصغير", "clk", ""}));
    EXPECT_EQ(captions(w.mnu->actions()),
              (QStringList{"أعلى دائماً", "تشغيل تلقائي", "تشغيل المتصفح", "خيارات الإنترنت", "-",
                           "قارئ الأخبار", "-", "كيفية الإستخدام", "-", "تصفير العداد", "خروج"}));
    EXPECT_EQ(w.Label9->text(), u"0 Kb");
    EXPECT_EQ(w.Label10->text(), u"0 Kb");
    EXPECT_EQ(w.Label5->text(), u"MBإجماليات");
    EXPECT_EQ(w.Label6->text(), u"متوسط السرعة");
    EXPECT_EQ(w.Label4->text(), u"Label4");
    EXPECT_EQ(w.Label3->text(), u"KBإجماليات ");
    EXPECT_EQ(w.Command4->text(), u"MBإجماليات");
    EXPECT_TRUE(w.Command2->text().isEmpty());
    EXPECT_TRUE(w.Label2->text().isEmpty());
    // Value holders are hidden; the strip's figures are not.
    for (QWidget* hidden :
         std::initializer_list<QWidget*>{w.Text1, w.Text2, w.Label3, w.lblSent, w.lblRecv, w.Text3,
                                         w.Text4, w.Label4, w.Command4})
        EXPECT_TRUE(w.isHidden() || hidden->isHidden()) << hidden->objectName().toStdString();
    EXPECT_FALSE(w.Label9->isHidden());
    EXPECT_FALSE(w.Text5->isHidden());
    // The options drop-down reads right to left; the bar and the strip keep their order.
    EXPECT_EQ(w.mnu->layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(w.menuBar()->layoutDirection(), Qt::LeftToRight);
    EXPECT_EQ(w.Picture2->layoutDirection(), Qt::LeftToRight);
    EXPECT_TRUE(w.Label9->font().bold());
    EXPECT_DOUBLE_EQ(w.Label9->font().pointSizeF(), 11.25);
    EXPECT_EQ(w.Label5->palette().color(QPalette::Window), QColor(0, 0, 128));
    EXPECT_EQ(w.lblRecv->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_FALSE(w.isTimer1Enabled());
    // The one wake-up a second waits for the start-up.
    EXPECT_FALSE(w.tick->isActive());
    EXPECT_EQ(w.tick->interval(), 1000);
}

TEST(frmMain, SecondInstanceEndsWithoutTouchingAnything) {
    Window t;
    t.fake.lock.free = false;
    QDir(t.fake.dir.path()).remove("file1.trv");
    frmMain& w = t.make();
    EXPECT_FALSE(w.Form_Load());
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(t.fake.lock.showRequestsSent, 1);
    EXPECT_FALSE(t.fake.lock.onShowRequest);
    EXPECT_EQ(t.fake.settings.reads, 0);
    EXPECT_TRUE(t.fake.messages.shown.empty());
    EXPECT_EQ(t.fake.table.reads, 0);
    EXPECT_FALSE(w.tick->isActive()); // nor does it ever tick
    EXPECT_TRUE(QDir(t.fake.dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST(frmMain, OptionsMenuOpensRightToLeftStraightBelowItsItem) {
    Window t;
    frmMain& w = t.loaded();
    // Away from the screen's left edge, where a menu hung left of its item would show.
    w.move(300, 200);
    QCoreApplication::processEvents();
    QMenuBar* bar = w.menuBar();
    bar->setActiveAction(w.mnu->menuAction());
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.mnu->isVisible(); }, 10000));
    const QPoint itemBottomLeft =
        bar->mapToGlobal(bar->actionGeometry(w.mnu->menuAction()).bottomLeft());
    EXPECT_EQ(w.mnu->layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(w.mnu->x(), itemBottomLeft.x());
    EXPECT_GE(w.mnu->y(), itemBottomLeft.y());
    w.mnu->hide();
}

TEST(frmMain, AnotherStartBringsTheWindowBack) {
    Window t;
    frmMain& w = t.loaded();
    EXPECT_EQ(t.fake.lock.showRequestsSent, 0);
    ASSERT_TRUE(t.fake.lock.onShowRequest);
    // Minimised by the exit command, as a user who took it for quitting would leave it.
    w.exit->trigger();
    ASSERT_TRUE(w.isMinimized());
    t.fake.lock.onShowRequest();
    EXPECT_FALSE(w.isMinimized());
    EXPECT_FALSE(w.windowState().testFlag(Qt::WindowMinimized));
    EXPECT_TRUE(w.isVisible());
    // Hidden altogether, it is shown again; the timers never stopped.
    w.hide();
    t.fake.lock.onShowRequest();
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.isTimer1Enabled());
    EXPECT_EQ(w.widthTwips(), 4905);
    // A request that comes as the window goes away finds nothing to show.
    const auto request = t.fake.lock.onShowRequest;
    t.w.reset();
    request();
}

TEST(frmMain, StartUpInOrder) {
    Window t;
    frmMain& w = t.make();
    // The clock's caption comes right after the sizing step, before the totals are in.
    QString text1AtFirstTick = "unset";
    t.fake.clock.onNow = [&] {
        if (text1AtFirstTick == u"unset")
            text1AtFirstTick = w.Text1->text();
    };
    bool visibleAtSettingRead = false;
    bool timer1AtSettingRead = true;
    t.fake.settings.onRead = [&] {
        visibleAtSettingRead = w.isVisible();
        timer1AtSettingRead = w.isTimer1Enabled();
    };
    ASSERT_TRUE(w.Form_Load());
    EXPECT_EQ(text1AtFirstTick, u"");
    EXPECT_EQ(w.Text1->text(), u"1024");
    EXPECT_EQ(w.Text2->text(), u"2048");
    EXPECT_TRUE(w.meter().firstSample);
    EXPECT_TRUE(visibleAtSettingRead);
    EXPECT_FALSE(timer1AtSettingRead);
    EXPECT_TRUE(w.isTimer1Enabled());
    EXPECT_TRUE(w.tick->isActive());
    EXPECT_EQ(t.fake.table.reads, 0); // the first reading is the first connected tick's
    EXPECT_EQ(w.widthTwips(), 4905);  // 4900 twips in whole pixels
    EXPECT_EQ(w.Picture2->width(), w.width());
    EXPECT_EQ(w.clk->text(), u"09:05:03");
    // The slide starts beyond the right edge and ends with Label2 hidden.
    EXPECT_GT(w.Label2->x(), w.width());
    EXPECT_TRUE(w.slideTimer->isActive());
    int steps = 0;
    while (w.slideStep())
        ++steps;
    EXPECT_TRUE(w.Label2->isHidden());
    EXPECT_GE(steps, 490);
    EXPECT_LE(steps, 520);
}

// The level the native window was given, not the widget's own record of it.
void expectTopmost(frmMain& w, bool on) {
    ASSERT_NE(w.windowHandle(), nullptr);
    EXPECT_EQ(w.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint), on);
    EXPECT_TRUE(w.windowHandle()->isVisible());
}

void expectListedAbove(frmMain& w, bool on) {
    // The window manager answers in its own time.
    const bool arrived = QTest::qWaitFor([&] { return netWmStateAbove(w) == on; }, 5000);
    EXPECT_TRUE(arrived) << "_NET_WM_STATE_ABOVE " << (on ? "missing" : "still listed");
}

TEST(frmMain, AlwaysOnTopFromTheSetting) {
    Window absent;
    frmMain& a = absent.loaded();
    expectTopmost(a, true);
    EXPECT_TRUE(a.ontop->isChecked());

    Window off;
    off.fake.settings.values["Tarvo/settings/ontop"] = "0";
    frmMain& b = off.loaded();
    expectTopmost(b, false);
    EXPECT_FALSE(b.ontop->isChecked());
}

TEST(frmMain, AlwaysOnTopFollowsTheMenuInThePlace) {
    Window t;
    frmMain& w = t.loaded();
    QWindow* shown = w.windowHandle();
    EXPECT_FALSE(w.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    w.ontop->trigger();
    expectTopmost(w, false);
    EXPECT_FALSE(w.ontop->isChecked());
    EXPECT_EQ(t.fake.settings.values.value("Tarvo/settings/ontop"), "0");
    w.ontop->trigger();
    expectTopmost(w, true);
    EXPECT_TRUE(w.ontop->isChecked());
    EXPECT_EQ(t.fake.settings.values.value("Tarvo/settings/ontop"), "1");
    EXPECT_EQ(w.windowHandle(), shown); // the same native window, not a new one
    // A new level keeps the fixed-size strip's buttons: minimise, never maximise.
    EXPECT_FALSE(w.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
}

// Under X with a window manager (the normal run is offscreen and skips this).
TEST(frmMain, AlwaysOnTopAsTheXWindowManagerKeepsIt) {
    if (QGuiApplication::platformName() != u"xcb")
        GTEST_SKIP() << "not on X";
    {
        Window t;
        frmMain& w = t.loaded();
        if (!netWmStateAbove(w))
            GTEST_SKIP() << "no X window manager keeps the window state";
        // Some window managers take their time to put a new window on screen.
        if (!QTest::qWaitForWindowExposed(&w, 20000))
            GTEST_SKIP() << "the window manager did not show the window";
        expectListedAbove(w, true);
        {
            SCOPED_TRACE("turned off from the menu");
            w.ontop->trigger();
            expectListedAbove(w, false);
        }
        {
            SCOPED_TRACE("turned on again");
            w.ontop->trigger();
            expectListedAbove(w, true);
        }
    }
    // The first strip is gone: a topmost window in the same place would keep this one
    // covered, and never exposed.
    Window off;
    off.fake.settings.values["Tarvo/settings/ontop"] = "0";
    frmMain& b = off.loaded();
    if (!QTest::qWaitForWindowExposed(&b, 20000))
        GTEST_SKIP() << "the window manager did not show the window";
    SCOPED_TRACE("off in the settings");
    expectListedAbove(b, false);
}

TEST(frmMain, ClockCaptionIsTwentyFourHour) {
    Window t;
    frmMain& w = t.loaded();
    for (auto [time, text] : {std::pair{QTime(0, 0, 0), "00:00:00"},
                              {QTime(23, 59, 59), "23:59:59"},
                              {QTime(9, 5, 3), "09:05:03"}}) {
        t.fake.clock.time.setTime(time);
        w.Timer1_Timer();
        EXPECT_EQ(w.clk->text(), QString::fromLatin1(text));
    }
}

// The window shows what the session's second gives: the rates only once a connection step
// found the computer connected, the status line's caption, the hidden state.
TEST(frmMain, ClockTickShowsRatesOnlyOnceConnected) {
    Window t;
    frmMain& w = t.loaded();
    t.fake.table.set("eth0", 1024, 1024);
    const int before = t.fake.table.reads;
    w.Timer1_Timer(); // no connection step yet
    EXPECT_EQ(t.fake.table.reads, before);
    EXPECT_EQ(w.Label4->text(), u"Label4");
    t.fake.connection.connected = false;
    w.Timer2_Timer();
    EXPECT_EQ(w.Label4->text(), u"False");
    w.Timer1_Timer();
    EXPECT_EQ(t.fake.table.reads, before);
    t.fake.connection.connected = true;
    w.Timer2_Timer();
    EXPECT_EQ(w.Label4->text(), u"True");
    EXPECT_EQ(w.netcb->text(), kConnected);
    w.Timer1_Timer();
    EXPECT_EQ(t.fake.table.reads, before + 1);
    EXPECT_EQ(w.Label9->text(), u"DOWN:.0");
    t.fake.table.set("eth0", 1024 + 1280, 1024);
    t.fake.clock.steady += 1000;
    w.Timer1_Timer();
    EXPECT_EQ(w.Label9->text(), u"DOWN:10.0");
    EXPECT_EQ(w.Label10->text(), u"UP:.0");
    // (2304 + 1024) / 1024 KB, shown in MB.
    EXPECT_EQ(w.lblRecv->text(), u"3.25");
    EXPECT_EQ(w.Command2->text(), u"0.00");
    // The upload rate keeps its right edge 150 twips from the window's.
    EXPECT_EQ(w.Label10->geometry().right() + 1, w.width() - 10);
}

TEST(frmMain, OnlineTickEnablesTheClockAndSavesEverySecond) {
    Window t;
    frmMain& w = t.loaded();
    w.setTimer1Enabled(false);
    w.Timer2_Timer();
    EXPECT_EQ(w.netcb->text(), kConnected);
    EXPECT_TRUE(w.netcb->isVisible());
    EXPECT_TRUE(w.isTimer1Enabled());
    EXPECT_TRUE(t.fake.clock.sleeps.empty());
    w.Timer3_Timer(); // no reading yet: nothing written
    EXPECT_EQ(t.file(), QByteArray("1024**2048\r\n"));
    t.fake.table.set("eth0", 100, 200);
    w.Timer1_Timer();
    w.Timer3_Timer();
    EXPECT_EQ(t.file(), QByteArray("1124**2248\r\n"));
}

TEST(frmMain, OneTickRunsTheWholeSecondReadingTheTimeOnce) {
    Window t;
    frmMain& w = t.loaded();
    int timeReads = 0;
    t.fake.clock.onNow = [&] { ++timeReads; };
    t.fake.table.set("eth0", 100, 200);
    t.fake.clock.time.setTime(QTime(10, 0, 0));
    const int reads = t.fake.table.reads;
    w.tick_Timer(); // connection step first time: the rates wait for "متصل"
    w.tick_Timer();
    EXPECT_EQ(timeReads, 2);
    EXPECT_EQ(t.fake.table.reads, reads + 1);
    EXPECT_EQ(w.clk->text(), u"10:00:00");
    EXPECT_EQ(t.file(), QByteArray("1124**2248\r\n"));
    // Offline, the ticks go on without the clock and the rates.
    t.fake.connection.connected = false;
    w.tick_Timer();
    t.fake.clock.time.setTime(QTime(10, 0, 5));
    w.tick_Timer();
    EXPECT_EQ(w.clk->text(), u"10:00:00");
    EXPECT_EQ(t.fake.table.reads, reads + 2);
    EXPECT_EQ(t.fake.clock.sleeps, (std::vector<int>{200, 200}));
}

namespace {
// What a window paints, in its own coordinates, and how many layout passes it runs.
struct PaintWatch : QObject {
    QWidget* window;
    QRegion painted;
    int relayouts = 0;
    explicit PaintWatch(QWidget* w) : window(w) {
        w->installEventFilter(this);
        for (QWidget* widget : w->findChildren<QWidget*>())
            widget->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(event)->region().translated(
                widget->mapTo(window, QPoint()));
        relayouts += event->type() == QEvent::LayoutRequest && widget->layout();
        return false;
    }
    QRect box(QWidget* control) const {
        return QRect(control->mapTo(window, QPoint()), control->size());
    }
};
} // namespace

TEST(frmMain, ASecondThatChangesTheRatesRepaintsOnlyTheirBoxes) {
    Window t;
    frmMain& w = t.loaded();
    // Nothing else moves while the second is watched. The start-up slide's label enters the
    // strip about 100 ms after the start, as the watch ran; under wine its 10 ms timer may
    // fire in bursts. And the seconds are the test's own.
    w.tick->stop();
    while (w.slideStep()) {
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.slideTimer->isActive(); }, 5000));
    t.fake.table.set("eth0", 1000, 1000);
    for (int second = 0; second < 3; ++second)
        w.tick_Timer();
    // Lets what those seconds repaint land before the watch starts; there is no sign to poll
    // for that nothing more is due.
    QTest::qWait(50);
    PaintWatch watch(&w);
    const QRect before = watch.box(w.Label9) | watch.box(w.Label10);
    const QString down = w.Label9->text(), up = w.Label10->text();
    const QString totals = w.Command2->text();
    t.fake.table.set("eth0", 1000 + 2000, 1000 + 300);
    t.fake.clock.steady += 1000;
    w.tick_Timer(); // the same time of day: the clock's caption stays
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return watch.painted.intersects(watch.box(w.Label9)) &&
                   watch.painted.intersects(watch.box(w.Label10));
        },
        5000));
    ASSERT_NE(w.Label9->text(), down);
    ASSERT_NE(w.Label10->text(), up);
    ASSERT_EQ(w.Command2->text(), totals); // too little to show in the total
    const QRegion boxes = QRegion(before) | watch.box(w.Label9) | watch.box(w.Label10);
    EXPECT_FALSE(watch.painted.isEmpty());
    EXPECT_TRUE(watch.painted.subtracted(boxes).isEmpty())
        << "painted outside the rate boxes: " << watch.painted.subtracted(boxes).boundingRect();
    EXPECT_EQ(watch.relayouts, 0);
}

TEST(frmMain, OfflineTickStopsTheClockAndPauses) {
    Window t;
    frmMain& w = t.loaded();
    t.fake.table.set("eth0", 100, 200);
    w.Timer2_Timer();
    w.Timer1_Timer();
    t.fake.connection.connected = false;
    t.fake.clock.time.setTime(QTime(10, 0, 0));
    w.Timer2_Timer();
    EXPECT_EQ(w.netcb->text(), u"غير متصل");
    EXPECT_EQ(w.Label4->text(), u"False");
    EXPECT_FALSE(w.isTimer1Enabled());
    EXPECT_EQ(t.fake.clock.sleeps, std::vector<int>{200});
    EXPECT_EQ(w.clk->text(), u"09:05:03"); // the clock stands still
}

TEST(frmMain, NeverOnlineWritesTheSavedTotalsBack) {
    Window t;
    t.fake.connection.connected = false;
    frmMain& w = t.loaded();
    w.Timer3_Timer();
    w.Timer2_Timer();
    w.Timer3_Timer();
    EXPECT_EQ(t.file(), QByteArray("1024**2048\r\n"));
    EXPECT_EQ(t.fake.table.reads, 0);
}

TEST(frmMain, ResetAsksFirst) {
    Window t;
    frmMain& w = t.loaded();
    t.fake.messages.answer = false;
    w.zac->trigger();
    ASSERT_EQ(t.fake.messages.shown.size(), 1u);
    EXPECT_TRUE(t.fake.messages.shown[0].question);
    EXPECT_EQ(t.fake.messages.shown[0].caption, u"Tarvo");
    EXPECT_EQ(t.fake.messages.shown[0].text, u"سيتم إلغاء الحركة حتى آخر إغلاق للحاسب");
    EXPECT_EQ(w.Text1->text(), u"1024");
    EXPECT_EQ(t.file(), QByteArray("1024**2048\r\n"));

    t.fake.messages.answer = true;
    w.zac->trigger();
    EXPECT_EQ(w.Text1->text(), u"0");
    EXPECT_EQ(w.Text2->text(), u"0");
    EXPECT_EQ(w.lblRecv->text(), u"0");
    EXPECT_EQ(w.lblSent->text(), u"0");
    EXPECT_EQ(t.file(), QByteArray(" ** \r\n"));
}

TEST(frmMain, NeverNarrowerThan500Twips) {
    // 500 twips are 33 1/3 pixels: the narrowest whole width that still holds them is 34.
    const int narrowest = 34;
    ASSERT_LT(twips(narrowest - 1), 500);
    ASSERT_GE(twips(narrowest), 500);
    Window t;
    frmMain& w = t.loaded();
    for (int asked : {100, 499, 500, 510}) {
        w.setWidthTwips(asked);
        QCoreApplication::processEvents();
        EXPECT_EQ(w.width(), narrowest) << asked;
        EXPECT_EQ(w.widthTwips(), 510) << asked;
        EXPECT_EQ(w.windowHandle()->width(), narrowest) << asked;
        EXPECT_EQ(w.Picture2->width(), narrowest) << asked;
    }
    // Wider ones are kept: the least is not the only width.
    w.setWidthTwips(525);
    QCoreApplication::processEvents();
    EXPECT_EQ(w.width(), 35);
    EXPECT_EQ(w.windowHandle()->width(), 35);
    EXPECT_EQ(w.Picture2->width(), 35);
    // Resized as a widget, not through its twips: still no narrower.
    w.setMinimumWidth(0);
    w.resize(10, w.height());
    QCoreApplication::processEvents();
    EXPECT_EQ(w.width(), narrowest);
    EXPECT_EQ(w.Picture2->width(), narrowest);
}

// A resize lays the strip out again and repaints it whole; the figures wait for the tick.
TEST(frmMain, AResizeRepaintsTheStripAndReadsNoCounter) {
    Window t;
    frmMain& w = t.loaded();
    w.tick->stop();
    t.fake.table.set("eth0", 1000, 1000);
    w.tick_Timer();
    w.tick_Timer(); // connected, the rates running
    ASSERT_TRUE(w.isTimer1Enabled());
    const int reads = t.fake.table.reads;
    const QString clock = w.clk->text();
    int timeReads = 0;
    t.fake.clock.onNow = [&] { ++timeReads; };
    t.fake.clock.time.setTime(QTime(12, 34, 56));
    for (int width : {6000, 3000}) {
        PaintWatch watch(&w);
        w.setWidthTwips(width);
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.Picture2->width() == w.width(); }, 5000));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return QRegion(watch.box(w.Picture2)).subtracted(watch.painted).isEmpty(); },
            5000))
            << width << ": painted " << watch.painted.boundingRect();
        EXPECT_EQ(w.Label10->geometry().right() + 1, w.width() - 10) << width;
    }
    w.Form_Resize();
    EXPECT_EQ(t.fake.table.reads, reads);
    EXPECT_EQ(timeReads, 0);
    EXPECT_EQ(w.clk->text(), clock);
}

TEST(frmMain, ClosingStopsTheClockAndEnds) {
    Window t;
    frmMain& w = t.loaded();
    w.close();
    EXPECT_FALSE(w.isTimer1Enabled());
    EXPECT_EQ(t.ended, 1);
    EXPECT_EQ(t.file(), QByteArray("1024**2048\r\n"));
}

TEST(frmMain, DamagedTotalsFileStartsFromZero) {
    Window t;
    writeFixture(t.fake.dir, "file1.trv", "no separator");
    frmMain& w = t.loaded();
    EXPECT_EQ(w.Text1->text(), u"0");
    EXPECT_EQ(w.Text2->text(), u"0");
}

namespace {
QString plainText(const QString& richText) {
    QTextDocument doc;
    doc.setHtml(richText);
    return doc.toPlainText();
}

// One online second: the connection poll, the rate update and the save.
void second(frmMain& w) {
    w.Timer2_Timer();
    w.Timer1_Timer();
    w.Timer3_Timer();
}
} // namespace

TEST(frmMain, ToolTipNamesTheCountedInterfacesAndTheSettingChoosesThem) {
    Window t;
    t.fake.table.rows = {{"lo", "Loopback lo", 5, 5}};
    t.fake.table.link("eth0", 100, 10, 2);
    t.fake.table.link("docker0", 300, 30, 3, tarvo::LinkKind::Bridge, false);
    t.fake.table.link("wlan0", 200, 20, 4);
    frmMain& w = t.loaded();
    second(w);
    EXPECT_EQ(plainText(w.Picture2->toolTip()), u"الواجهات المحسوبة: eth0, wlan0");
    EXPECT_EQ(t.file(), QByteArray("1324**2078\r\n"));

    Window s;
    s.fake.settings.values["Tarvo/settings/interfaces"] = " dock* ";
    s.fake.table.rows = t.fake.table.rows;
    frmMain& v = s.loaded();
    second(v);
    EXPECT_EQ(plainText(v.Picture2->toolTip()), u"الواجهات المحسوبة: docker0");
    EXPECT_EQ(s.file(), QByteArray("1324**2078\r\n"));
}

// The strip's captions against their glyphs as drawn: a caption grows only as far as its
// glyphs need, and grows into room that no visible control takes.
TEST(frmMain, StripCaptionsGrowOnlyAsFarAsTheirGlyphsNeed) {
    if (QFontDatabase::families().isEmpty())
        GTEST_SKIP() << "no font faces here to measure captions with (Qt's offscreen platform "
                        "on Windows has none; the windows are looked at under wine instead)";
    Window t;
    frmMain& w = t.make();
    const QRect totals = twipsRect(1575, 360, 1215, 270);
    expectGrownOnlyToFit(w.Label5, totals);
    // Centred over the two totals, it grows around its centre.
    EXPECT_LE((w.Label5->geometry().center() - totals.center()).manhattanLength(), 2);
    expectGrownOnlyToFit(w.Label6, twipsRect(2400, 1120, 1095, 255));
}

// ctest runs this with DejaVu as the only face (frmMain.AverageCaptionWithDejaVuOnly).
TEST(frmMain, AverageCaptionKeepsItsSizeWhereItFitsWithDejaVuFonts) {
    const QStringList families = QFontDatabase::families();
    // Qt lists its generic names beside the faces fontconfig gives it.
    const QStringList generic{"Monospace", "Sans Serif", "Serif"};
    if (!families.contains("DejaVu Sans") ||
        !std::all_of(families.begin(), families.end(), [&](const QString& f) {
            return f.startsWith(u"DejaVu") || generic.contains(f);
        }))
        GTEST_SKIP() << "needs DejaVu fonts as the only faces: FONTCONFIG_FILE naming a "
                        "fontconfig file that lists only /usr/share/fonts/truetype/dejavu";
    Window t;
    frmMain& w = t.make();
    // Its text is wider than its box, and the strip has room on its right.
    EXPECT_DOUBLE_EQ(w.Label6->font().pointSizeF(), 9.75);
    EXPECT_TRUE(captionFits(w.Label6));
    EXPECT_LE(w.Label6->geometry().right(), w.Picture2->width());
}
