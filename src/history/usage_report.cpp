#include "history/usage_report.h"

#include "calendar/date_conversion.h"
#include "history/cycle.h"
#include "history/router_usage.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <limits>

namespace tarvo {

namespace {

struct Periods {
    std::vector<UsageRow> hours;
    std::vector<UsageRow> days;
    std::vector<UsageRow> months;
};

struct RouterReport {
    RouterRecord record;
    Periods periods;
    std::vector<UsageGap> unknown;
    Periods others; // the router's count less this computer's through it
};

struct Report {
    QStringList interfaces;
    Periods periods;
    AllowanceState allowance;
    AllowanceCount count;
    QString quotaRouter; // the id the allowance counts, for a router
    std::vector<RouterReport> routers;
};

Periods periodsOf(UsageSource& source, const QDate& today) {
    const QDate firstMonth = QDate(today.year(), today.month(), 1).addMonths(-11);
    return {source.hours(today), source.days(today.addDays(-30), today),
            source.months(firstMonth, today)};
}

Report gather(UsageSource& source, const QDateTime& now, const AllowanceSettings& allowance) {
    const QDate today = now.date();
    Report r;
    r.interfaces = source.interfaces();
    r.periods = periodsOf(source, today);
    r.count = allowanceCount(&source, allowance, now);
    if (allowance.quotaMb != 0)
        r.allowance = allowanceToday(r.count.source, allowance, today);
    r.quotaRouter = r.count.routerId;
    const QDateTime from(QDate(today.year(), today.month(), 1).addMonths(-11), QTime(0, 0));
    for (const RouterRecord& record : source.routers()) {
        UsageSource* rows = source.router(record.id);
        if (!rows)
            continue;
        UsageSource* others = source.routerOthers(record.id);
        r.routers.push_back({record, periodsOf(*rows, today),
                             rows->unknown(from, QDateTime(today.addDays(1), QTime(0, 0))),
                             others ? periodsOf(*others, today) : Periods{}});
    }
    return r;
}

// JSON numbers are doubles: byte counts beyond 2^53 would lose their last digits, which no
// allowance or history of a desktop reaches.
QJsonValue bytes(std::uint64_t n) {
    return QJsonValue(qint64(std::min<std::uint64_t>(n, std::numeric_limits<qint64>::max())));
}

QJsonArray othersRows(const std::vector<UsageRow>& rows, const QString& key,
                      const QString& format) {
    QJsonArray out;
    for (const UsageRow& row : rows)
        out.append(QJsonObject{{key, row.start.date().toString(format)},
                               {QStringLiteral("received"), bytes(row.received)},
                               {QStringLiteral("sent"), bytes(row.sent)}});
    return out;
}

// From the wall-clock date and time: an hour that daylight-saving time skips has no valid
// QDateTime, but its row still names it.
QString hourLabel(const UsageRow& row) {
    return row.start.date().toString(Qt::ISODate) + u'T' +
           row.start.time().toString(QStringLiteral("HH"));
}

QString hijriText(const QDate& day) {
    return renderDate(day, CalendarKind::Hijri).value_or(QString());
}

void insertPeriods(QJsonObject& object, const Periods& periods) {
    QJsonArray hours;
    for (const UsageRow& row : periods.hours)
        hours.append(QJsonObject{{QStringLiteral("hour"), hourLabel(row)},
                                 {QStringLiteral("received"), bytes(row.received)},
                                 {QStringLiteral("sent"), bytes(row.sent)}});
    object.insert(QStringLiteral("hours"), hours);
    QJsonArray days;
    for (const UsageRow& row : periods.days) {
        const QString hijri = hijriText(row.start.date());
        days.append(QJsonObject{
            {QStringLiteral("date"), row.start.date().toString(Qt::ISODate)},
            {QStringLiteral("hijri"), hijri.isEmpty() ? QJsonValue() : QJsonValue(hijri)},
            {QStringLiteral("received"), bytes(row.received)},
            {QStringLiteral("sent"), bytes(row.sent)}});
    }
    object.insert(QStringLiteral("days"), days);
    QJsonArray months;
    for (const UsageRow& row : periods.months)
        months.append(QJsonObject{
            {QStringLiteral("month"), row.start.date().toString(QStringLiteral("yyyy-MM"))},
            {QStringLiteral("received"), bytes(row.received)},
            {QStringLiteral("sent"), bytes(row.sent)}});
    object.insert(QStringLiteral("months"), months);
}

QString localText(const QDateTime& time) {
    return time.toLocalTime().toString(Qt::ISODate);
}

} // namespace

QByteArray usageJson(UsageSource& source, const QDateTime& now,
                     const AllowanceSettings& allowance) {
    const Report r = gather(source, now, allowance);
    QJsonObject root;
    root.insert(QStringLiteral("interfaces"), QJsonArray::fromStringList(r.interfaces));
    insertPeriods(root, r.periods);
    const AllowanceState& a = r.allowance;
    if (a.hasQuota()) {
        QJsonObject quota{{QStringLiteral("limit"), bytes(a.quota)},
                          {QStringLiteral("cycle_start"), a.cycleStart.toString(Qt::ISODate)},
                          {QStringLiteral("used"), bytes(a.used)},
                          {QStringLiteral("projected"), bytes(a.projected)},
                          {QStringLiteral("source"),
                           r.count.router ? QStringLiteral("router") : QStringLiteral("computer")}};
        if (r.count.router)
            quota.insert(QStringLiteral("router"), r.quotaRouter);
        root.insert(QStringLiteral("quota"), quota);
    } else {
        root.insert(QStringLiteral("quota"), QJsonValue());
    }
    QJsonArray routers;
    for (const RouterReport& router : r.routers) {
        QJsonObject object{{QStringLiteral("id"), router.record.id},
                           {QStringLiteral("name"), shownRouterName(router.record)},
                           {QStringLiteral("last_read"), localText(router.record.lastRead)},
                           {QStringLiteral("counts"), router.record.counts},
                           {QStringLiteral("status"), routerStatus(router.record)},
                           {QStringLiteral("error"), router.record.error.isEmpty()
                                                         ? QJsonValue()
                                                         : QJsonValue(router.record.error)}};
        insertPeriods(object, router.periods);
        object.insert(
            QStringLiteral("others_days"),
            othersRows(router.others.days, QStringLiteral("date"), QStringLiteral("yyyy-MM-dd")));
        object.insert(
            QStringLiteral("others_months"),
            othersRows(router.others.months, QStringLiteral("month"), QStringLiteral("yyyy-MM")));
        QJsonArray unknown;
        for (const UsageGap& gap : router.unknown)
            unknown.append(QJsonObject{{QStringLiteral("from"), localText(gap.from)},
                                       {QStringLiteral("to"), localText(gap.to)}});
        object.insert(QStringLiteral("unknown"), unknown);
        routers.append(object);
    }
    root.insert(QStringLiteral("routers"), routers);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QString usageTable(UsageSource& source, const QDateTime& now, const AllowanceSettings& allowance) {
    const Report r = gather(source, now, allowance);
    QString out;
    auto line = [&](const QString& a, const QString& b, std::uint64_t rx, std::uint64_t tx) {
        out += a.leftJustified(14) + b.leftJustified(12) + QString::number(rx).rightJustified(16) +
               QString::number(tx).rightJustified(16) + u'\n';
    };
    const auto tables = [&](const Periods& periods) {
        out += QStringLiteral("\nhour          %1        received            sent\n")
                   .arg(QString(4, u' '));
        for (const UsageRow& row : periods.hours)
            line(hourLabel(row), QString(), row.received, row.sent);
        out += QStringLiteral("\ndate          hijri               received            sent\n");
        for (const UsageRow& row : periods.days)
            line(row.start.date().toString(Qt::ISODate), hijriText(row.start.date()), row.received,
                 row.sent);
        out += QStringLiteral("\nmonth                             received            sent\n");
        for (const UsageRow& row : periods.months)
            line(row.start.date().toString(QStringLiteral("yyyy-MM")), QString(), row.received,
                 row.sent);
        out += u'\n';
    };
    out += QStringLiteral("interfaces: ") + r.interfaces.join(QStringLiteral(", ")) + u'\n';
    tables(r.periods);
    const AllowanceState& a = r.allowance;
    if (a.hasQuota())
        out += QStringLiteral("quota: limit %1, cycle start %2, used %3, projected %4%5\n")
                   .arg(a.quota)
                   .arg(a.cycleStart.toString(Qt::ISODate))
                   .arg(a.used)
                   .arg(a.projected)
                   .arg(r.count.router ? QStringLiteral(", counted on router ") + r.quotaRouter
                                       : QString());
    else
        out += QStringLiteral("quota: none\n");
    for (const RouterReport& router : r.routers) {
        const QString status = routerStatus(router.record);
        out += QStringLiteral("\nrouter: %1 (%2), last read %3%4%5\n")
                   .arg(shownRouterName(router.record), router.record.id,
                        localText(router.record.lastRead),
                        router.record.counts ? QString()
                                             : QStringLiteral(", its counters do not move"),
                        status == u"ok" ? QString() : QStringLiteral(", ") + status);
        if (!router.record.error.isEmpty())
            out += QStringLiteral("last failure: %1\n").arg(router.record.error.simplified());
        tables(router.periods);
        for (const UsageGap& gap : router.unknown)
            out +=
                QStringLiteral("unknown: %1 to %2\n").arg(localText(gap.from), localText(gap.to));
    }
    return out;
}

} // namespace tarvo
