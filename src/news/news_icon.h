#pragma once

#include <QIcon>

namespace tarvo {

// The news reader's window icon: a folded newspaper with the feed waves on it.
QIcon newsReaderIcon();

} // namespace tarvo
