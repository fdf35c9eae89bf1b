#pragma once

#include "common/settings.h"
#include "history/usage_source.h"

#include <QDate>
#include <QString>

#include <cstdint>

namespace tarvo {

class SettingsStore;

// The monthly allowance as the user set it: its size in MB (0 = none) and the day of the
// month on which it starts again.
struct AllowanceSettings {
    static constexpr std::uint64_t kMaxQuotaMb = tarvo::kMaxQuotaMb;

    // Whose traffic it counts: this computer's, or all the devices' behind a home router.
    using Source = QuotaSource;

    std::uint64_t quotaMb = 0;
    int cycleDay = 1;
    Source source = Source::Computer;
    QString router = QString(); // the router it counts (its id); empty: the one read last
    bool operator==(const AllowanceSettings&) const = default;
};

// The allowance's four settings, by their rules in common/settings.h, for the strip, the usage
// window and "--usage" alike.
AllowanceSettings readAllowanceSettings(const SettingsStore& settings);
// Writes the size and the cycle day; writeAllowanceSource the source and the router.
void writeAllowanceSettings(SettingsStore& settings, const AllowanceSettings& allowance);
void writeAllowanceSource(SettingsStore& settings, const AllowanceSettings& allowance);

// Where the allowance stands on a day with a given use in the current cycle.
struct AllowanceState {
    bool hasQuota() const { return quota != 0; }
    QDate cycleStart, nextCycleStart;
    std::uint64_t quota = 0; // bytes; 0 = none
    std::uint64_t used = 0;
    std::uint64_t left = 0; // never below 0
    std::uint64_t projected = 0;
};
AllowanceState allowanceState(const AllowanceSettings& allowance, std::uint64_t used,
                              const QDate& today);

// The traffic of the cycle that today lies in, all of it from its first to its last day
// whatever the time of day, so that a clock set back or a repeated hour changes nothing; 0
// without a history.
std::uint64_t usedInCycle(UsageSource* source, const QDate& today, int cycleDay);

// The allowance today, read from the history: what the window, the strip and "--usage" show.
AllowanceState allowanceToday(UsageSource* source, const AllowanceSettings& allowance,
                              const QDate& today);

// The marks of the allowance the user is told about.
enum class AllowanceMark { None = 0, Most = 80, Whole = 100 };

// What the user is told at a mark; empty for None.
QString allowanceMessage(AllowanceMark mark);

// Decides when to tell the user: once per cycle and allowance at 80 % and once at 100 %, the
// higher alone when both are passed at once. What was told is kept in the settings with the
// cycle and the allowance it was told for, so that a restart tells nothing again, and a
// changed allowance is told its own marks (only the highest of those already passed).
class AllowanceWatch {
public:
    explicit AllowanceWatch(SettingsStore& settings);
    // The mark to tell about now, recorded as told; None when there is nothing new.
    AllowanceMark check(std::uint64_t used, const QDate& today);

private:
    SettingsStore& settings_;
};

} // namespace tarvo
