#pragma once

#include <QList>
#include <QSize>

#include <functional>

class QWidget;

namespace tarvo {

// A window that may give up height to find room beside the strip: the least client height it
// may have, and how to give it a client height (at least that least).
struct HeightFit {
    int shortest = 0;
    std::function<void(int clientHeight)> fit;
};

// Places a window about to be shown beside the strip on the strip's screen, clear of the other
// windows, as placeByStrip says, making room for a client of the given size (empty: its own).
// Where it must go over the strip it becomes a dialog the strip owns, which window managers
// keep above its owner. Its frame is taken from the platform where it is known before the
// window is shown, else from the strip's; once the window manager has framed it, it is placed
// again with its own.
void placeBesideStrip(QWidget* window, QWidget* strip, const QList<QWidget*>& others,
                      QSize client = {}, const HeightFit& height = {});

// Centres a window's frame, title bar included, on the primary screen, and again once the
// window manager has framed it (under X11 only a shown window is framed).
void centreOnScreen(QWidget* window);

// Shown, above the others and with the keyboard.
void present(QWidget* window);

// Puts a window above all others or back among them; a shown one changes its level in place.
void setStaysOnTop(QWidget* window, bool on);

} // namespace tarvo
