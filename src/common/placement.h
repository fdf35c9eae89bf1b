#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace tarvo {

// Where windows go on the screen, as arithmetic on frame rectangles (the window with its
// title bar and border), so that it is the same with and without a window manager.

// The top-left of a frame of the given size centred in area.
QPoint centredIn(const QRect& area, const QSize& frame);

// The top-left of a frame beside the strip's frame, so that neither covers the other: below
// the strip, else above it, else right or left of it, wholly inside area; centred on the
// strip along its side as far as area allows. Where it can, it also keeps clear of avoid
// (another window beside the strip).
QPoint besideStrip(const QRect& strip, const QSize& frame, const QRect& area,
                   const QRect& avoid = {});

// Where a window goes that the strip, always on top, must not cover: beside the strip as
// besideStrip places it where there is room; where there is none, wholly on the screen over
// as little of the strip as it can, and overStrip says that it must then be kept above the
// strip for none of its controls to lie under it.
struct StripSidePlace {
    QPoint topLeft;
    bool overStrip = false;
};
StripSidePlace placeByStrip(const QRect& strip, const QSize& frame, const QRect& area,
                            const QRect& avoid = {});

// The frame size of a window whose client size is given, with the frame margins that
// another window of the same desktop has.
QSize frameSizeFor(const QSize& client, const QMargins& frameMargins);

// The margins of a frame around its client rectangle (title bar and border).
QMargins marginsBetween(const QRect& frame, const QRect& client);

} // namespace tarvo
