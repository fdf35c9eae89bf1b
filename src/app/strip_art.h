#pragma once

#include <QIcon>
#include <QPixmap>

namespace tarvo {

// The strip's decorative picture (328 x 108 pixels) and the window icon, drawn rather
// than shipped so the program needs no image files.
QPixmap stripPicture();
QIcon meterIcon();

} // namespace tarvo
