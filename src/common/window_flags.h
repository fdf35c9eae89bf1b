#pragma once

#include <Qt>

namespace tarvo {

// The flags of a window of fixed size: title, system menu, minimise and close, but no
// maximise button, which could do nothing. Other flags (always on top) are kept.
inline Qt::WindowFlags fixedSizeWindowFlags(Qt::WindowFlags flags) {
    flags &= ~(Qt::WindowMaximizeButtonHint | Qt::WindowFullscreenButtonHint);
    return flags | Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
}

} // namespace tarvo
