#pragma once

#include <QIcon>

#include <array>
#include <functional>

class QPainter;

namespace tarvo {

// The sizes every window icon is drawn at, from the title bar's to the task switcher's.
inline constexpr std::array<int, 5> kIconSizes{16, 24, 32, 48, 64};

// An icon drawn rather than shipped: paint draws the picture on a grid of gridUnits x
// gridUnits, which is scaled to each of kIconSizes on a transparent, antialiased canvas.
QIcon drawnIcon(double gridUnits, const std::function<void(QPainter&)>& paint);

} // namespace tarvo
