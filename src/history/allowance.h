#pragma once

#include "history/usage_source.h"

#include <QDate>
#include <QString>

#include <cstdint>

namespace tarvo {

class SettingsStore;

// The monthly allowance as the user set it: its size in MB (0 = none) and the day of the
// month on which it starts again.
struct AllowanceSettings {
    std::uint64_t quotaMb = 0;
    int cycleDay = 1;
    bool operator==(const AllowanceSettings&) const = default;
};

// Read from and written to the per-user settings; unreadable values read as none and day 1.
AllowanceSettings readAllowanceSettings(const SettingsStore& settings);
void writeAllowanceSettings(SettingsStore& settings, const AllowanceSettings& allowance);

// Where the allowance stands on a day with a given use in the current cycle.
struct AllowanceState {
    QDate cycleStart, nextCycleStart;
    std::uint64_t quota = 0; // bytes; 0 = none
    std::uint64_t used = 0;
    std::uint64_t left = 0;  // never below 0
    std::uint64_t projected = 0;
};
AllowanceState allowanceState(const AllowanceSettings& allowance, std::uint64_t used,
                              const QDate& today);

// The traffic of the cycle that today lies in; 0 without a history.
std::uint64_t usedInCycle(UsageSource* source, const QDate& today, int cycleDay);

// The marks of the allowance the user is told about.
enum class AllowanceMark { None = 0, Most = 80, Whole = 100 };

// What the user is told at a mark; empty for None.
QString allowanceMessage(AllowanceMark mark);

// Decides when to tell the user: once per cycle at 80 % and once at 100 %, the higher alone
// when both are passed at once. What was told is kept in the settings, so that a restart in
// the same cycle tells nothing again.
class AllowanceWatch {
public:
    explicit AllowanceWatch(SettingsStore& settings);
    // The mark to tell about now, recorded as told; None when there is nothing new.
    AllowanceMark check(std::uint64_t used, const QDate& today);

private:
    SettingsStore& settings_;
};

} // namespace tarvo
