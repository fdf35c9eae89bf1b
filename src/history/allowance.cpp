#include "history/allowance.h"

#include "common/settings.h"
#include "history/amounts.h"
#include "history/cycle.h"

#include <algorithm>

namespace tarvo {

AllowanceSettings readAllowanceSettings(const SettingsStore& settings) {
    const SettingsView view(settings);
    return {view.quotaMb(), view.cycleDay(), view.quotaSource(), view.quotaRouter()};
}

void writeAllowanceSource(SettingsStore& settings, const AllowanceSettings& allowance) {
    Settings writer(settings);
    writer.setQuotaSource(allowance.source);
    writer.setQuotaRouter(allowance.router);
}

void writeAllowanceSettings(SettingsStore& settings, const AllowanceSettings& allowance) {
    Settings writer(settings);
    writer.setQuotaMb(allowance.quotaMb);
    writer.setCycleDay(allowance.cycleDay);
}

AllowanceState allowanceState(const AllowanceSettings& allowance, std::uint64_t used,
                              const QDate& today) {
    AllowanceState state;
    state.cycleStart = cycleStart(today, allowance.cycleDay);
    state.nextCycleStart = nextCycleStart(today, allowance.cycleDay);
    state.quota = std::min(allowance.quotaMb, kMaxQuotaMb) * kMB;
    state.used = used;
    state.left = used < state.quota ? state.quota - used : 0;
    state.projected = projectedUse(used, state.cycleStart, today, state.nextCycleStart);
    return state;
}

std::uint64_t usedInCycle(UsageSource* source, const QDate& today, int cycleDay) {
    if (!source)
        return 0;
    // Local midnights: where daylight-saving time skips one, the QDateTime is invalid but
    // still names it, which is all the history reads.
    const UsageRow row = source->total(QDateTime(cycleStart(today, cycleDay), QTime(0, 0)),
                                       QDateTime(nextCycleStart(today, cycleDay), QTime(0, 0)));
    return row.received + row.sent;
}

AllowanceState allowanceToday(UsageSource* source, const AllowanceSettings& allowance,
                              const QDate& today) {
    return allowanceState(allowance, usedInCycle(source, today, allowance.cycleDay), today);
}

QString allowanceMessage(AllowanceMark mark) {
    switch (mark) {
    case AllowanceMark::None:
        return {};
    case AllowanceMark::Most:
        return QStringLiteral("تم استهلاك 80% من الباقة الشهرية");
    case AllowanceMark::Whole:
        return QStringLiteral("تم استهلاك الباقة الشهرية بالكامل");
    }
    return {};
}

AllowanceWatch::AllowanceWatch(SettingsStore& settings) : settings_(settings) {}

AllowanceMark AllowanceWatch::check(std::uint64_t used, const QDate& today) {
    const AllowanceSettings allowance = readAllowanceSettings(settings_);
    if (allowance.quotaMb == 0)
        return AllowanceMark::None;
    const std::uint64_t quota = allowance.quotaMb * kMB;
    AllowanceMark reached = AllowanceMark::None;
    if (used >= quota)
        reached = AllowanceMark::Whole;
    else if (used * 5 >= quota * 4) // below the quota here, so no overflow
        reached = AllowanceMark::Most;
    if (reached == AllowanceMark::None)
        return reached;

    Settings settings(settings_);
    const QDate start = cycleStart(today, allowance.cycleDay);
    const AllowanceNotice told = settings.quotaNotified();
    // A notice from before the allowance was part of it counts for the allowance set now.
    const bool sameAllowance =
        told.cycleStart == start && (!told.quotaMb || *told.quotaMb == allowance.quotaMb);
    if (int(reached) <= (sameAllowance ? told.mark : 0))
        return AllowanceMark::None;
    settings.setQuotaNotified({start, int(reached), allowance.quotaMb});
    return reached;
}

} // namespace tarvo
