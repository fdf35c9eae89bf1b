#pragma once

#include "history/allowance.h"
#include "history/usage_source.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>

namespace tarvo {

// "--usage --json": today per hour, the last 31 days, the last 12 months and the allowance
// (none when its size is 0), bytes as integers, local time. The allowance's use is the usage
// window's.
QByteArray usageJson(UsageSource& source, const QDateTime& now, const AllowanceSettings& allowance);

// "--usage": the same as a plain table.
QString usageTable(UsageSource& source, const QDateTime& now, const AllowanceSettings& allowance);

} // namespace tarvo
