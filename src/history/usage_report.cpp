#include "history/usage_report.h"

#include "calendar/date_conversion.h"
#include "history/cycle.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace tarvo {

namespace {

struct Report {
    QStringList interfaces;
    std::vector<UsageRow> hours;
    std::vector<UsageRow> days;
    std::vector<UsageRow> months;
    AllowanceState allowance;
};

Report gather(UsageSource& source, const QDateTime& now, const AllowanceSettings& allowance) {
    const QDate today = now.date();
    Report r;
    r.interfaces = source.interfaces();
    r.hours = source.hours(today);
    r.days = source.days(today.addDays(-30), today);
    r.months = source.months(QDate(today.year(), today.month(), 1).addMonths(-11), today);
    if (allowance.quotaMb != 0)
        r.allowance = allowanceToday(&source, allowance, today);
    return r;
}

// JSON numbers are doubles: byte counts beyond 2^53 would lose their last digits, which no
// allowance or history of a desktop reaches.
QJsonValue bytes(std::uint64_t n) {
    return QJsonValue(qint64(n));
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

} // namespace

QByteArray usageJson(UsageSource& source, const QDateTime& now, const AllowanceSettings& allowance) {
    const Report r = gather(source, now, allowance);
    QJsonObject root;
    root.insert(QStringLiteral("interfaces"), QJsonArray::fromStringList(r.interfaces));
    QJsonArray hours;
    for (const UsageRow& row : r.hours)
        hours.append(QJsonObject{
            {QStringLiteral("hour"), hourLabel(row)},
            {QStringLiteral("received"), bytes(row.received)},
            {QStringLiteral("sent"), bytes(row.sent)}});
    root.insert(QStringLiteral("hours"), hours);
    QJsonArray days;
    for (const UsageRow& row : r.days) {
        const QString hijri = hijriText(row.start.date());
        days.append(QJsonObject{
            {QStringLiteral("date"), row.start.date().toString(Qt::ISODate)},
            {QStringLiteral("hijri"), hijri.isEmpty() ? QJsonValue() : QJsonValue(hijri)},
            {QStringLiteral("received"), bytes(row.received)},
            {QStringLiteral("sent"), bytes(row.sent)}});
    }
    root.insert(QStringLiteral("days"), days);
    QJsonArray months;
    for (const UsageRow& row : r.months)
        months.append(QJsonObject{
            {QStringLiteral("month"), row.start.date().toString(QStringLiteral("yyyy-MM"))},
            {QStringLiteral("received"), bytes(row.received)},
            {QStringLiteral("sent"), bytes(row.sent)}});
    root.insert(QStringLiteral("months"), months);
    const AllowanceState& a = r.allowance;
    if (a.hasQuota())
        root.insert(QStringLiteral("quota"),
                    QJsonObject{{QStringLiteral("limit"), bytes(a.quota)},
                                {QStringLiteral("cycle_start"), a.cycleStart.toString(Qt::ISODate)},
                                {QStringLiteral("used"), bytes(a.used)},
                                {QStringLiteral("projected"), bytes(a.projected)}});
    else
        root.insert(QStringLiteral("quota"), QJsonValue());
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QString usageTable(UsageSource& source, const QDateTime& now, const AllowanceSettings& allowance) {
    const Report r = gather(source, now, allowance);
    QString out;
    auto line = [&](const QString& a, const QString& b, std::uint64_t rx, std::uint64_t tx) {
        out += a.leftJustified(14) + b.leftJustified(12) + QString::number(rx).rightJustified(16) +
               QString::number(tx).rightJustified(16) + u'\n';
    };
    out += QStringLiteral("interfaces: ") + r.interfaces.join(QStringLiteral(", ")) + u'\n';
    out += QStringLiteral("\nhour          %1        received            sent\n")
               .arg(QString(4, u' '));
    for (const UsageRow& row : r.hours)
        line(hourLabel(row), QString(), row.received,
             row.sent);
    out += QStringLiteral("\ndate          hijri               received            sent\n");
    for (const UsageRow& row : r.days)
        line(row.start.date().toString(Qt::ISODate), hijriText(row.start.date()), row.received,
             row.sent);
    out += QStringLiteral("\nmonth                             received            sent\n");
    for (const UsageRow& row : r.months)
        line(row.start.date().toString(QStringLiteral("yyyy-MM")), QString(), row.received,
             row.sent);
    out += u'\n';
    const AllowanceState& a = r.allowance;
    if (a.hasQuota())
        out += QStringLiteral("quota: limit %1, cycle start %2, used %3, projected %4\n")
                   .arg(a.quota)
                   .arg(a.cycleStart.toString(Qt::ISODate))
                   .arg(a.used)
                   .arg(a.projected);
    else
        out += QStringLiteral("quota: none\n");
    return out;
}

} // namespace tarvo
