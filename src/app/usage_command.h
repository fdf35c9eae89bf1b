#pragma once

#include <QStringList>

namespace tarvo {

// "tarvo --usage [--json]": prints the history read-only and returns the exit code; -1 when
// the arguments ask for no such thing and the meter should start.
int runUsageCommand(const QStringList& arguments);

} // namespace tarvo
