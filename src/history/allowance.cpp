#include "history/allowance.h"
#include "common/app_name.h"
#include "history/amounts.h"

#include "common/settings_store.h"
#include "history/cycle.h"

#include <algorithm>
#include <optional>

namespace tarvo {

namespace {

const QString kApplication = appName();
const QString kSection = QStringLiteral("settings");
const QString kQuotaKey = QStringLiteral("quota_mb");
const QString kCycleDayKey = QStringLiteral("cycle_day");
const QString kSourceKey = QStringLiteral("quota_source");
const QString kRouterKey = QStringLiteral("quota_router");
// "<cycle start, ISO> <mark> <allowance in MB>": the highest mark told in that cycle for that
// allowance. Written before the allowance was part of it: "<cycle start> <mark>", taken as
// told for the allowance set now.
const QString kNotifiedKey = QStringLiteral("quota_notified");

constexpr std::uint64_t kMaxQuotaMb = AllowanceSettings::kMaxQuotaMb;

// Digits only: QString's number readers take signs and blanks, and "-0" is no allowance too.
std::optional<std::uint64_t> wholeNumber(const QString& text, std::uint64_t max) {
    if (text.isEmpty() || text.size() > 20)
        return std::nullopt;
    std::uint64_t n = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const std::uint64_t digit = std::uint64_t(c.unicode() - u'0');
        if (n > (max - digit) / 10)
            return std::nullopt;
        n = n * 10 + digit;
    }
    return n;
}

} // namespace

AllowanceSettings readAllowanceSettings(const SettingsStore& settings) {
    AllowanceSettings allowance;
    const QString quota = settings.value(kApplication, kSection, kQuotaKey, QString()).trimmed();
    allowance.quotaMb = wholeNumber(quota, kMaxQuotaMb).value_or(0);
    const QString day = settings.value(kApplication, kSection, kCycleDayKey, QString()).trimmed();
    allowance.cycleDay = int(wholeNumber(day, 31).value_or(1));
    if (allowance.cycleDay < 1)
        allowance.cycleDay = 1;
    if (settings.value(kApplication, kSection, kSourceKey, QString()).trimmed() == u"router")
        allowance.source = AllowanceSettings::Source::Router;
    allowance.router = settings.value(kApplication, kSection, kRouterKey, QString()).trimmed();
    return allowance;
}

void writeAllowanceSource(SettingsStore& settings, const AllowanceSettings& allowance) {
    const bool router = allowance.source == AllowanceSettings::Source::Router;
    settings.setValue(kApplication, kSection, kSourceKey,
                      router ? QStringLiteral("router") : QStringLiteral("computer"));
    settings.setValue(kApplication, kSection, kRouterKey, allowance.router);
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

    const QString start = cycleStart(today, allowance.cycleDay).toString(Qt::ISODate);
    const QString quotaText = QString::number(allowance.quotaMb);
    const QStringList told =
        settings_.value(kApplication, kSection, kNotifiedKey, QString()).split(u' ');
    const bool sameAllowance =
        (told.size() == 2 || (told.size() == 3 && told[2] == quotaText)) && told[0] == start;
    const int toldMark = sameAllowance ? told[1].toInt() : 0;
    if (int(reached) <= toldMark)
        return AllowanceMark::None;
    settings_.setValue(kApplication, kSection, kNotifiedKey,
                       start + u' ' + QString::number(int(reached)) + u' ' + quotaText);
    return reached;
}

} // namespace tarvo
