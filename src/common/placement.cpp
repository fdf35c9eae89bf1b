#include "common/placement.h"

#include <algorithm>

namespace tarvo {

namespace {

// The start of a span of length size inside [lo, lo + room), as near to wanted as fits.
int clampInto(int wanted, int size, int lo, int room) {
    if (size >= room)
        return lo;
    return std::clamp(wanted, lo, lo + room - size);
}

} // namespace

QPoint centredIn(const QRect& area, const QSize& frame) {
    return {area.x() + (area.width() - frame.width()) / 2,
            area.y() + (area.height() - frame.height()) / 2};
}

QPoint besideStrip(const QRect& strip, const QSize& frame, const QRect& area, const QRect& avoid) {
    const int centredX = strip.center().x() + 1 - frame.width() / 2;
    const int x = clampInto(centredX, frame.width(), area.x(), area.width());
    const int y = clampInto(strip.top(), frame.height(), area.y(), area.height());
    // Below, above, right of and left of the strip, in that order of preference.
    const QPoint candidates[] = {{x, strip.bottom() + 1},
                                 {x, strip.top() - frame.height()},
                                 {strip.right() + 1, y},
                                 {strip.left() - frame.width(), y}};
    const QPoint* onScreen = nullptr;
    for (const QPoint& c : candidates) {
        const QRect placed(c, frame);
        if (!area.contains(placed))
            continue;
        if (!avoid.isValid() || !placed.intersects(avoid))
            return c;
        if (!onScreen)
            onScreen = &c;
    }
    if (onScreen)
        return *onScreen;
    // Nowhere beside it whole: on the screen, on the side with more room.
    const int roomRight = area.right() - strip.right();
    const int roomLeft = strip.left() - area.left();
    if (roomRight >= roomLeft)
        return {clampInto(strip.right() + 1, frame.width(), area.x(), area.width()), y};
    return {clampInto(strip.left() - frame.width(), frame.width(), area.x(), area.width()), y};
}

StripSidePlace placeByStrip(const QRect& strip, const QSize& frame, const QRect& area,
                            const QRect& avoid) {
    const QPoint beside = besideStrip(strip, frame, area, avoid);
    if (!QRect(beside, frame).intersects(strip))
        return {beside, false};
    // The screen's corners and the four sides of the strip pulled onto the screen.
    const auto onScreen = [&](int x, int y) {
        return QPoint(clampInto(x, frame.width(), area.x(), area.width()),
                      clampInto(y, frame.height(), area.y(), area.height()));
    };
    const int centredX = strip.center().x() + 1 - frame.width() / 2;
    const int centredY = strip.center().y() + 1 - frame.height() / 2;
    const QPoint candidates[] = {
        onScreen(centredX, strip.bottom() + 1), onScreen(centredX, strip.top() - frame.height()),
        onScreen(strip.right() + 1, centredY),  onScreen(strip.left() - frame.width(), centredY),
        onScreen(area.left(), area.top()),      onScreen(area.right(), area.top()),
        onScreen(area.left(), area.bottom()),   onScreen(area.right(), area.bottom())};
    const auto covered = [&](const QPoint& at) {
        const QRect common = QRect(at, frame).intersected(strip);
        return qint64(common.width()) * common.height();
    };
    QPoint best = candidates[0];
    for (const QPoint& c : candidates)
        if (covered(c) < covered(best))
            best = c;
    return {best, true};
}

QSize frameSizeFor(const QSize& client, const QMargins& frameMargins) {
    return client.grownBy(frameMargins);
}

QMargins marginsBetween(const QRect& frame, const QRect& client) {
    return {client.left() - frame.left(), client.top() - frame.top(),
            frame.right() - client.right(), frame.bottom() - client.bottom()};
}

} // namespace tarvo
