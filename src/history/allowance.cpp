#include "history/allowance.h"

#include "common/settings_store.h"
#include "history/cycle.h"

#include <algorithm>

namespace tarvo {

namespace {

const QString kApplication = QStringLiteral("Tarvo");
const QString kSection = QStringLiteral("settings");
const QString kQuotaKey = QStringLiteral("quota_mb");
const QString kCycleDayKey = QStringLiteral("cycle_day");
// "<cycle start, ISO> <mark>": the highest mark told in that cycle.
const QString kNotifiedKey = QStringLiteral("quota_notified");

constexpr std::uint64_t kMB = 1024 * 1024;
// Far beyond any real allowance, and small enough that its bytes times 5 cannot overflow.
constexpr std::uint64_t kMaxQuotaMb = std::uint64_t(1) << 40;

} // namespace

AllowanceSettings readAllowanceSettings(const SettingsStore& settings) {
    AllowanceSettings allowance;
    bool ok = false;
    const qulonglong quota =
        settings.value(kApplication, kSection, kQuotaKey, QStringLiteral("0")).trimmed().toULongLong(&ok);
    if (ok && quota <= kMaxQuotaMb)
        allowance.quotaMb = quota;
    const int day =
        settings.value(kApplication, kSection, kCycleDayKey, QStringLiteral("1")).trimmed().toInt(&ok);
    if (ok && day >= 1 && day <= 31)
        allowance.cycleDay = day;
    return allowance;
}

void writeAllowanceSettings(SettingsStore& settings, const AllowanceSettings& allowance) {
    settings.setValue(kApplication, kSection, kQuotaKey,
                      QString::number(std::min(allowance.quotaMb, kMaxQuotaMb)));
    settings.setValue(kApplication, kSection, kCycleDayKey,
                      QString::number(std::clamp(allowance.cycleDay, 1, 31)));
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
    const UsageRow row = source->total(QDateTime(cycleStart(today, cycleDay), QTime(0, 0)),
                                       QDateTime(nextCycleStart(today, cycleDay), QTime(0, 0)));
    return row.received + row.sent;
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

    const QString start = cycleStart(today, allowance.cycleDay).toString(Qt::ISODate);
    const QStringList told =
        settings_.value(kApplication, kSection, kNotifiedKey, QString()).split(u' ');
    const int toldMark = told.size() == 2 && told[0] == start ? told[1].toInt() : 0;
    if (int(reached) <= toldMark)
        return AllowanceMark::None;
    settings_.setValue(kApplication, kSection, kNotifiedKey,
                       start + u' ' + QString::number(int(reached)));
    return reached;
}

} // namespace tarvo
