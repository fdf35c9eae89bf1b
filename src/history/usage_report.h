#pragma once

#include "common/settings_store.h"
#include "history/usage_source.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>

namespace tarvo {

// The monthly allowance as the settings give it.
struct Quota {
    std::uint64_t limitBytes = 0;
    int cycleDay = 1;
};

// "quota_mb" and "cycle_day" of section "settings"; nothing when the allowance is unset or 0.
std::optional<Quota> quotaFromSettings(const SettingsStore& settings);

// "--usage --json": today per hour, the last 31 days, the last 12 months and the allowance,
// bytes as integers, local time.
QByteArray usageJson(UsageSource& source, const QDateTime& now, const std::optional<Quota>& quota);

// "--usage": the same as a plain table.
QString usageTable(UsageSource& source, const QDateTime& now, const std::optional<Quota>& quota);

} // namespace tarvo
