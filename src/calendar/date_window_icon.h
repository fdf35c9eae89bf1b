#pragma once

#include <QIcon>

namespace tarvo {

// The date window's icon, drawn rather than loaded: a calendar leaf with a crescent.
QIcon dateWindowIcon();

} // namespace tarvo
