#pragma once

#include <QList>
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace tarvo {

// Where windows go on the screen, as arithmetic on frame rectangles (the window with its
// title bar and border), so that it is the same with and without a window manager.

// The top-left of a frame of the given size centred in area.
QPoint centredIn(const QRect& area, const QSize& frame);

// Where a window opened from the strip goes. The strip stays above all others, so the window
// goes beside it (below, else above, else right or left of it, centred on it along that side
// as far as the screen allows), clear of the other open windows' frames where there is room.
// A window that may give up height (shortestHeight, the least its frame may have) does so
// only to find room beside the strip. Where there is none, the window goes where it covers as
// little of the strip as it can, and overStrip says that it must then be kept above the strip
// (as a window the strip owns). Either way the whole frame lies in area, unless it is larger
// than area: then its top-left corner, title bar first, is area's.
struct StripSidePlace {
    QRect frame;
    bool overStrip = false;
};
StripSidePlace placeByStrip(const QRect& strip, const QSize& frame, const QRect& area,
                            const QList<QRect>& others = {}, int shortestHeight = 0);

// The frame size of a window whose client size is given, with the frame margins that
// another window of the same desktop has.
QSize frameSizeFor(const QSize& client, const QMargins& frameMargins);

// The margins of a frame around its client rectangle (title bar and border).
QMargins marginsBetween(const QRect& frame, const QRect& client);

} // namespace tarvo
