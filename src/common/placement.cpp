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

QPoint besideStrip(const QRect& strip, const QSize& frame, const QRect& area) {
    const int centredX = strip.center().x() + 1 - frame.width() / 2;
    const int x = clampInto(centredX, frame.width(), area.x(), area.width());
    const int roomBelow = area.bottom() - strip.bottom();
    const int roomAbove = strip.top() - area.top();
    if (frame.height() <= roomBelow)
        return {x, strip.bottom() + 1};
    if (frame.height() <= roomAbove)
        return {x, strip.top() - frame.height()};
    // Neither above nor below: beside it, on the side with more room, level with the strip.
    const int roomRight = area.right() - strip.right();
    const int roomLeft = strip.left() - area.left();
    const int y = clampInto(strip.top(), frame.height(), area.y(), area.height());
    if (frame.width() <= roomRight || roomRight >= roomLeft)
        return {clampInto(strip.right() + 1, frame.width(), area.x(), area.width()), y};
    return {clampInto(strip.left() - frame.width(), frame.width(), area.x(), area.width()), y};
}

QSize frameSizeFor(const QSize& client, const QMargins& frameMargins) {
    return client.grownBy(frameMargins);
}

QMargins marginsBetween(const QRect& frame, const QRect& client) {
    return {client.left() - frame.left(), client.top() - frame.top(),
            frame.right() - client.right(), frame.bottom() - client.bottom()};
}

} // namespace tarvo
