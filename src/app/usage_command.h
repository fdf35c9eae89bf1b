#pragma once

namespace tarvo {

// "tarvo --usage [--json]": prints the history read-only and returns the exit code: 0, or 1
// when there is a history file that cannot be read (said on standard error).
int runUsageCommand(bool json);

} // namespace tarvo
