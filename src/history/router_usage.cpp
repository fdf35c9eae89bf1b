#include "history/router_usage.h"

namespace tarvo {

namespace {

constexpr qint64 kSeenSeconds = 3600;
constexpr qint64 kLateSeconds = 120;

} // namespace

std::optional<RouterRecord> shownRouter(UsageSource* history) {
    if (!history)
        return std::nullopt;
    const std::vector<RouterRecord> routers = history->routers();
    if (routers.empty())
        return std::nullopt;
    return routers.front();
}

QString routerTimeText(const QDateTime& time) {
    return time.toLocalTime().toString(QStringLiteral("dd/MM/yyyy HH:mm"));
}

QStringList routerStatusLines(const RouterRecord& router, const QDateTime& now) {
    QStringList lines{
        QString::fromUtf16(RouterLastReadLine).arg(router.name, routerTimeText(router.lastRead))};
    if (router.lastRead.secsTo(now) > kLateSeconds)
        lines << QString::fromUtf16(RouterNotReadSinceLine).arg(routerTimeText(router.lastRead));
    if (!router.counts)
        lines << QString::fromUtf16(RouterDoesNotCountLine);
    return lines;
}

QStringList unknownSpanLines(const std::vector<UsageGap>& gaps) {
    QStringList lines;
    for (const UsageGap& gap : gaps)
        lines << QString::fromUtf16(UnknownSpanLine)
                     .arg(routerTimeText(gap.from), routerTimeText(gap.to));
    return lines;
}

AllowanceCount allowanceCount(UsageSource* history, const AllowanceSettings& allowance,
                              const QDateTime& now) {
    AllowanceCount count;
    if (allowance.source != AllowanceSettings::Source::Router) {
        count.source = history;
        return count;
    }
    count.router = true;
    count.seen = count.notify = false;
    const std::vector<RouterRecord> routers =
        history ? history->routers() : std::vector<RouterRecord>{};
    const QString id = !allowance.router.isEmpty() ? allowance.router
                       : routers.empty()           ? QString()
                                                   : routers.front().id;
    count.routerName = id;
    for (const RouterRecord& router : routers) {
        if (router.id != id)
            continue;
        count.source = history->router(id);
        if (!router.name.isEmpty())
            count.routerName = router.name;
        // Another router read since: this computer is on another network now.
        count.seen = router.id == routers.front().id && router.lastRead.secsTo(now) <= kSeenSeconds;
        count.notify = count.seen && router.counts;
    }
    return count;
}

bool hasUnknown(UsageSource* source, const QDate& first, const QDate& afterLast) {
    return source &&
           !source->unknown(QDateTime(first, QTime(0, 0)), QDateTime(afterLast, QTime(0, 0)))
                .empty();
}

} // namespace tarvo
