#include "history/router_usage.h"

namespace tarvo {

namespace {

constexpr qint64 kSeenSeconds = 3600;
constexpr qint64 kLateSeconds = 120;

// Text from the network as one plain line: no control, format or separator characters, at
// most most characters.
QString plainLine(const QString& text, int most) {
    QString name;
    int length = 0;
    bool cut = false;
    for (const char32_t c : QStringView(text).toUcs4()) {
        switch (QChar::category(c)) {
        case QChar::Other_Control:
        case QChar::Other_Format:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
        case QChar::Other_Surrogate:
        case QChar::Other_NotAssigned:
            continue;
        default:
            break;
        }
        if (length == most) {
            cut = true;
            break;
        }
        name += QString::fromUcs4(&c, 1);
        ++length;
    }
    name = name.trimmed();
    if (cut)
        name += u'…';
    return name;
}

} // namespace

QString shownRouterName(const RouterRecord& router) {
    const QString name = plainLine(router.name, kShownNameLength);
    return name.isEmpty() ? plainLine(router.id, kShownNameLength) : name;
}

QString routerStatus(const RouterRecord& router) {
    if (router.lost || router.error == QLatin1String(kNoRouterAnswered))
        return QStringLiteral("lost");
    if (!router.counts)
        return QStringLiteral("not counting");
    if (router.countsLess)
        return QStringLiteral("counts less");
    return QStringLiteral("ok");
}

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
    QStringList lines{QString::fromUtf16(RouterLastReadLine)
                          .arg(shownRouterName(router), routerTimeText(router.lastRead))};
    if (router.lastRead.secsTo(now) > kLateSeconds)
        lines << QString::fromUtf16(RouterNotReadSinceLine).arg(routerTimeText(router.lastRead));
    if (router.error == QLatin1String(kNoRouterAnswered))
        lines << QString::fromUtf16(NoRouterAnsweredLine);
    else if (!router.error.isEmpty())
        lines << QString::fromUtf16(RouterUnreadableLine).arg(plainLine(router.error, 200));
    if (!router.counts)
        lines << QString::fromUtf16(RouterDoesNotCountLine);
    else if (router.countsLess)
        lines << QString::fromUtf16(RouterCountsLessLine);
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
    count.routerId = id;
    count.routerName = id.left(kShownNameLength);
    for (const RouterRecord& router : routers) {
        if (router.id != id)
            continue;
        count.source = history->router(id);
        count.routerName = shownRouterName(router);
        count.countsLess = router.countsLess;
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
