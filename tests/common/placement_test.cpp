#include "common/placement.h"

#include <gtest/gtest.h>

using namespace tarvo;

namespace {
const QRect screen(0, 0, 1920, 1040); // available area: a panel takes the bottom 40
const QSize reader(520, 330);

QPoint at(const QRect& strip, const QSize& frame, const QRect& area,
          const QList<QRect>& others = {}) {
    return placeByStrip(strip, frame, area, others).frame.topLeft();
}

} // namespace

TEST(Placement, CentredInTheArea) {
    EXPECT_EQ(centredIn(screen, QSize(327, 123)), QPoint(796, 458));
    EXPECT_EQ(centredIn(QRect(1920, 0, 1280, 1024), QSize(300, 100)), QPoint(2410, 462));
}

TEST(Placement, BelowTheStripElseAboveElseBesideAlwaysOnScreen) {
    // A strip in the middle: below it, centred on it.
    const QRect middle(796, 458, 327, 150);
    EXPECT_EQ(at(middle, reader, screen), QPoint(700, 608));
    // Near the bottom: above it.
    EXPECT_EQ(at(QRect(796, 900, 327, 130), reader, screen), QPoint(700, 570));
    // At the right edge: pulled in to stay on the screen.
    EXPECT_EQ(at(QRect(1600, 100, 320, 130), reader, screen), QPoint(1400, 230));
    // A screen too low for above or below: beside it, on the side with room.
    const QRect small(0, 0, 1280, 600);
    EXPECT_EQ(at(QRect(100, 200, 327, 150), reader, small), QPoint(427, 200));
    EXPECT_EQ(at(QRect(850, 200, 327, 150), reader, small), QPoint(330, 200));
}

TEST(Placement, FrameMarginsAreTheDifferenceOfTheRectangles) {
    const QMargins m = marginsBetween(QRect(100, 50, 331, 160), QRect(102, 74, 327, 134));
    EXPECT_EQ(m, QMargins(2, 24, 2, 2));
    EXPECT_EQ(frameSizeFor(QSize(353, 154), m), QSize(357, 180));
}

TEST(Placement, ClearOfTheOtherWindowsWhereThereIsRoom) {
    const QRect strip(796, 458, 327, 150);
    const QRect date(at(strip, QSize(357, 180), screen), QSize(357, 180));
    const QRect news(at(strip, reader, screen, {date}), reader);
    EXPECT_FALSE(news.intersects(date));
    EXPECT_FALSE(news.intersects(strip));
    // A tall window finds neither side of the strip free: it goes past the others, still on
    // the screen and clear of the strip.
    const QSize usage(500, 700);
    const QRect placed(at(strip, usage, screen, {date, news}), usage);
    EXPECT_TRUE(screen.contains(placed)) << placed;
    for (const QRect& other : {strip, date, news})
        EXPECT_FALSE(placed.intersects(other)) << placed << " over " << other;
    // No room clear of them: beside the strip all the same.
    EXPECT_EQ(at(strip, reader, screen, {screen}), at(strip, reader, screen));
}

// The screens of most laptops and small desktops, the strip anywhere on them, and the three
// windows' frames: each whole on the screen, over the strip only where nothing beside it holds
// the window, and then over as little of it as the screen allows.
TEST(Placement, WholeOnTheScreenAndOverTheStripOnlyWithoutRoomBesideIt) {
    const QSize strip(333, 153);
    for (const QRect area : {QRect(0, 0, 1024, 768), QRect(0, 0, 1280, 800), QRect(0, 0, 1366, 768),
                             QRect(1366, 24, 1280, 776)})
        for (const QSize frame : {QSize(361, 205), QSize(502, 352), QSize(700, 730)})
            for (int x = area.left(); x + strip.width() <= area.right() + 1; x += 61)
                for (int y = area.top(); y + strip.height() <= area.bottom() + 1; y += 37) {
                    const QRect s(QPoint(x, y), strip);
                    const StripSidePlace place = placeByStrip(s, frame, area);
                    const bool room = area.right() - s.right() >= frame.width() ||
                                      s.left() - area.left() >= frame.width() ||
                                      area.bottom() - s.bottom() >= frame.height() ||
                                      s.top() - area.top() >= frame.height();
                    ASSERT_TRUE(area.contains(place.frame)) << place.frame << " " << s;
                    ASSERT_EQ(place.overStrip, !room) << place.frame << " " << s;
                    ASSERT_EQ(place.overStrip, place.frame.intersects(s));
                    // Least of the strip: along each axis the window goes over only what the
                    // screen's room on the strip's wider side leaves over.
                    const auto least = [](int size, int roomA, int roomB, int stripSize) {
                        return std::clamp(size - std::max(roomA, roomB), 0, stripSize);
                    };
                    const QRect covered = place.frame & s;
                    const qint64 coveredArea = qint64(covered.width()) * covered.height();
                    ASSERT_EQ(coveredArea, qint64(least(frame.width(), s.left() - area.left(),
                                                        area.right() - s.right(), s.width())) *
                                               least(frame.height(), s.top() - area.top(),
                                                     area.bottom() - s.bottom(), s.height()))
                        << place.frame << " " << s;
                }
}

TEST(Placement, AWindowThatMayGiveUpHeightDoesSoOnlyForRoomBesideTheStrip) {
    const QRect laptop(0, 0, 1366, 768);
    const QSize usage(560, 760);
    // The strip near the top leaves 600 below it: the window gives up what it must.
    const QRect high(500, 10, 333, 153);
    const StripSidePlace below = placeByStrip(high, usage, laptop, {}, 520);
    EXPECT_FALSE(below.overStrip);
    EXPECT_EQ(below.frame, QRect(387, 163, 560, 605));
    // Beside it there is room at full height: nothing given up.
    const QRect left(10, 300, 333, 153);
    EXPECT_EQ(placeByStrip(left, usage, laptop, {}, 520).frame.height(), 760);
    // No room at any height it may have: over the strip, as tall as the screen lets it be.
    const StripSidePlace over = placeByStrip(QRect(516, 307, 333, 153), usage, laptop, {}, 520);
    EXPECT_TRUE(over.overStrip);
    EXPECT_EQ(over.frame.height(), 760);
    EXPECT_TRUE(laptop.contains(over.frame));
    // Taller than the screen at its least: its title bar at the screen's top.
    EXPECT_EQ(placeByStrip(high, QSize(560, 900), QRect(0, 0, 1024, 600), {}, 700).frame,
              QRect(0, 0, 560, 700));
}
