#include "common/placement.h"

#include <gtest/gtest.h>

using namespace tarvo;

namespace {
const QRect screen(0, 0, 1920, 1040); // available area: a panel takes the bottom 40
const QSize reader(520, 330);
} // namespace

TEST(Placement, CentredInTheArea) {
    EXPECT_EQ(centredIn(screen, QSize(327, 123)), QPoint(796, 458));
    EXPECT_EQ(centredIn(QRect(1920, 0, 1280, 1024), QSize(300, 100)), QPoint(2410, 462));
}

TEST(Placement, BelowTheStripElseAboveElseBesideAlwaysOnScreen) {
    // A strip in the middle: below it, centred on it.
    const QRect middle(796, 458, 327, 150);
    EXPECT_EQ(besideStrip(middle, reader, screen), QPoint(700, 608));
    // Near the bottom: above it.
    const QRect low(796, 900, 327, 130);
    EXPECT_EQ(besideStrip(low, reader, screen), QPoint(700, 570));
    // At the right edge: pulled in to stay on the screen.
    const QRect right(1600, 100, 320, 130);
    EXPECT_EQ(besideStrip(right, reader, screen), QPoint(1400, 230));
    // A screen too low for above or below: beside it, on the side with room.
    const QRect small(0, 0, 1280, 600);
    const QRect leftStrip(100, 200, 327, 150);
    EXPECT_EQ(besideStrip(leftStrip, reader, small), QPoint(427, 200));
    const QRect rightStrip(850, 200, 327, 150);
    EXPECT_EQ(besideStrip(rightStrip, reader, small), QPoint(330, 200));
}

TEST(Placement, NeverOverTheStripWhereverItStands) {
    for (int x = 0; x + 327 <= screen.width(); x += 97)
        for (int y = 0; y + 150 <= screen.height(); y += 61) {
            const QRect strip(x, y, 327, 150);
            const QRect placed(besideStrip(strip, reader, screen), reader);
            ASSERT_TRUE(screen.contains(placed)) << x << "," << y;
            ASSERT_FALSE(placed.intersects(strip)) << x << "," << y;
        }
}

TEST(Placement, FrameMarginsAreTheDifferenceOfTheRectangles) {
    const QMargins m = marginsBetween(QRect(100, 50, 331, 160), QRect(102, 74, 327, 134));
    EXPECT_EQ(m, QMargins(2, 24, 2, 2));
    EXPECT_EQ(frameSizeFor(QSize(353, 154), m), QSize(357, 180));
}

TEST(Placement, ASecondWindowKeepsClearOfTheFirstWhereThereIsRoom) {
    const QRect strip(796, 458, 327, 150);
    const QRect first(besideStrip(strip, QSize(357, 180), screen), QSize(357, 180));
    const QRect second(besideStrip(strip, reader, screen, first), reader);
    EXPECT_FALSE(second.intersects(first));
    EXPECT_FALSE(second.intersects(strip));
    EXPECT_TRUE(screen.contains(second));
    // No room clear of it: beside the strip all the same.
    const QRect everywhere(screen);
    EXPECT_EQ(besideStrip(strip, reader, screen, everywhere), besideStrip(strip, reader, screen));
}

TEST(Placement, NoRoomBesideTheStripGoesOverAsLittleOfItAsItCan) {
    // 1280 x 800 at scale 1.5, the strip's frame centred, the reader's frame with its panel.
    const QRect small(0, 0, 853, 533);
    const QSize strip(329, 143), readerFrame(500, 314);
    const QRect centred(centredIn(small, strip), strip);
    const StripSidePlace place = placeByStrip(centred, readerFrame, small);
    const QRect placed(place.topLeft, readerFrame);
    EXPECT_TRUE(place.overStrip);
    EXPECT_TRUE(small.contains(placed));
    // Less of the strip under it than where besideStrip's last resort puts it.
    const QRect fallback(besideStrip(centred, readerFrame, small), readerFrame);
    const auto area = [](const QRect& r) { return r.width() * r.height(); };
    EXPECT_LT(area(placed & centred), area(fallback & centred));
    // With room beside the strip, it is where besideStrip puts it, and clear of the strip.
    const QRect middle(796, 458, 327, 150);
    const StripSidePlace roomy = placeByStrip(middle, reader, screen);
    EXPECT_FALSE(roomy.overStrip);
    EXPECT_EQ(roomy.topLeft, besideStrip(middle, reader, screen));
}
