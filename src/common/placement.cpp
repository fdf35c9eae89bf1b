#include "common/placement.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>

namespace tarvo {

namespace {

// The start of a span of length size inside [lo, lo + room), as near to wanted as fits.
int clampInto(int wanted, int size, int lo, int room) {
    if (size >= room)
        return lo;
    return std::clamp(wanted, lo, lo + room - size);
}

qint64 overlap(const QRect& a, const QRect& b) {
    const QRect common = a.intersected(b);
    return common.isEmpty() ? 0 : qint64(common.width()) * common.height();
}

// How far a frame clear of the strip lies from it, along both axes.
int gapTo(const QRect& r, const QRect& strip) {
    const int dx = std::max({0, r.left() - strip.right() - 1, strip.left() - r.right() - 1});
    const int dy = std::max({0, r.top() - strip.bottom() - 1, strip.top() - r.bottom() - 1});
    return dx + dy;
}

// What makes one place better than another, least first: the strip covered, the other
// windows covered, height given up, distance from the strip, the side (below, above, right,
// left) and the distance from being centred on the strip along that side.
using Cost = std::tuple<qint64, qint64, int, int, int, int>;

Cost costOf(const QRect& r, const QRect& strip, const QList<QRect>& others, int fullHeight) {
    qint64 covered = 0;
    for (const QRect& other : others)
        covered += overlap(r, other);
    int side = 4;
    int offCentre = std::abs(r.center().x() - strip.center().x());
    if (r.top() > strip.bottom())
        side = 0;
    else if (r.bottom() < strip.top())
        side = 1;
    else if (r.left() > strip.right())
        side = 2;
    else if (r.right() < strip.left())
        side = 3;
    if (side == 2 || side == 3)
        offCentre = std::abs(r.top() - strip.top());
    return {overlap(r, strip), covered, fullHeight - r.height(), gapTo(r, strip), side, offCentre};
}

} // namespace

QPoint centredIn(const QRect& area, const QSize& frame) {
    return {area.x() + (area.width() - frame.width()) / 2,
            area.y() + (area.height() - frame.height()) / 2};
}

StripSidePlace placeByStrip(const QRect& strip, const QSize& frame, const QRect& area,
                            const QList<QRect>& others, int shortestHeight) {
    shortestHeight = std::min(shortestHeight, frame.height());
    const int w = frame.width();
    // A window that may give up height is no taller than the screen, if it can be.
    const int fullHeight = shortestHeight > 0
                               ? std::max(std::min(frame.height(), area.height()), shortestHeight)
                               : frame.height();
    // The heights worth trying: the whole, and what fits above or below the strip.
    QList<int> heights{fullHeight};
    if (shortestHeight > 0 && shortestHeight < fullHeight)
        for (const int room : {area.bottom() - strip.bottom(), strip.top() - area.top()})
            if (room >= shortestHeight && room < fullHeight)
                heights.append(room);

    QRect best;
    Cost bestCost;
    for (const int h : heights) {
        // The edges a good place lines up with: the strip's, the screen's and the others'.
        QList<int> xs{strip.center().x() + 1 - w / 2,
                      strip.left(),
                      strip.right() + 1 - w,
                      strip.right() + 1,
                      strip.left() - w,
                      area.left(),
                      area.right() + 1 - w};
        QList<int> ys{strip.center().y() + 1 - h / 2,
                      strip.top(),
                      strip.bottom() + 1 - h,
                      strip.bottom() + 1,
                      strip.top() - h,
                      area.top(),
                      area.bottom() + 1 - h};
        for (const QRect& other : others) {
            xs << other.right() + 1 << other.left() - w;
            ys << other.bottom() + 1 << other.top() - h;
        }
        for (const int x : xs)
            for (const int y : ys) {
                const QRect r(clampInto(x, w, area.x(), area.width()),
                              clampInto(y, h, area.y(), area.height()), w, h);
                const Cost cost = costOf(r, strip, others, fullHeight);
                if (best.isNull() || cost < bestCost) {
                    best = r;
                    bestCost = cost;
                }
            }
    }
    return {best, std::get<0>(bestCost) > 0};
}

QSize frameSizeFor(const QSize& client, const QMargins& frameMargins) {
    return client.grownBy(frameMargins);
}

QMargins marginsBetween(const QRect& frame, const QRect& client) {
    return {client.left() - frame.left(), client.top() - frame.top(),
            frame.right() - client.right(), frame.bottom() - client.bottom()};
}

} // namespace tarvo
