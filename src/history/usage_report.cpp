#include "history/usage_report.h"

#include "calendar/date_conversion.h"
#include "history/cycle.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace tarvo {

namespace {

const QString kApplication = QStringLiteral("Tarvo");
const QString kSection = QStringLiteral("settings");

struct Report {
    QStringList interfaces;
    std::vector<UsageRow> hours;
    std::vector<UsageRow> days;
    std::vector<UsageRow> months;
    bool hasQuota = false;
    Quota quota;
    QDate cycleStart;
    std::uint64_t used = 0;
    std::uint64_t projected = 0;
};

Report gather(UsageSource& source, const QDateTime& now, const std::optional<Quota>& quota) {
    const QDate today = now.date();
    Report r;
    r.interfaces = source.interfaces();
    r.hours = source.hours(today);
    r.days = source.days(today.addDays(-30), today);
    r.months = source.months(QDate(today.year(), today.month(), 1).addMonths(-11), today);
    if (quota) {
        r.hasQuota = true;
        r.quota = *quota;
        r.cycleStart = cycleStart(today, quota->cycleDay);
        const UsageRow used = source.total(QDateTime(r.cycleStart, QTime(0, 0)), now);
        r.used = used.received + used.sent;
        r.projected =
            projectedUse(r.used, r.cycleStart, today, nextCycleStart(today, quota->cycleDay));
    }
    return r;
}

// JSON numbers are doubles: byte counts beyond 2^53 would lose their last digits, which no
// allowance or history of a desktop reaches.
QJsonValue bytes(std::uint64_t n) {
    return QJsonValue(qint64(n));
}

QString hijriText(const QDate& day) {
    return renderDate(day, CalendarKind::Hijri).value_or(QString());
}

} // namespace

std::optional<Quota> quotaFromSettings(const SettingsStore& settings) {
    bool ok = false;
    const qint64 mb = settings.value(kApplication, kSection, QStringLiteral("quota_mb"), QString())
                          .trimmed()
                          .toLongLong(&ok);
    if (!ok || mb <= 0)
        return std::nullopt;
    bool dayOk = false;
    int day = settings.value(kApplication, kSection, QStringLiteral("cycle_day"), QString())
                  .trimmed()
                  .toInt(&dayOk);
    if (!dayOk)
        day = 1;
    return Quota{std::uint64_t(mb) * 1024 * 1024, std::clamp(day, 1, 31)};
}

QByteArray usageJson(UsageSource& source, const QDateTime& now, const std::optional<Quota>& quota) {
    const Report r = gather(source, now, quota);
    QJsonObject root;
    root.insert(QStringLiteral("interfaces"), QJsonArray::fromStringList(r.interfaces));
    QJsonArray hours;
    for (const UsageRow& row : r.hours)
        hours.append(QJsonObject{
            {QStringLiteral("hour"), row.start.toString(QStringLiteral("yyyy-MM-ddTHH"))},
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
    if (r.hasQuota)
        root.insert(QStringLiteral("quota"),
                    QJsonObject{{QStringLiteral("limit"), bytes(r.quota.limitBytes)},
                                {QStringLiteral("cycle_start"), r.cycleStart.toString(Qt::ISODate)},
                                {QStringLiteral("used"), bytes(r.used)},
                                {QStringLiteral("projected"), bytes(r.projected)}});
    else
        root.insert(QStringLiteral("quota"), QJsonValue());
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QString usageTable(UsageSource& source, const QDateTime& now, const std::optional<Quota>& quota) {
    const Report r = gather(source, now, quota);
    QString out;
    auto line = [&](const QString& a, const QString& b, std::uint64_t rx, std::uint64_t tx) {
        out += a.leftJustified(14) + b.leftJustified(12) + QString::number(rx).rightJustified(16) +
               QString::number(tx).rightJustified(16) + u'\n';
    };
    out += QStringLiteral("interfaces: ") + r.interfaces.join(QStringLiteral(", ")) + u'\n';
    out += QStringLiteral("\nhour          %1        received            sent\n")
               .arg(QString(4, u' '));
    for (const UsageRow& row : r.hours)
        line(row.start.toString(QStringLiteral("yyyy-MM-ddTHH")), QString(), row.received,
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
    if (r.hasQuota)
        out += QStringLiteral("quota: limit %1, cycle start %2, used %3, projected %4\n")
                   .arg(r.quota.limitBytes)
                   .arg(r.cycleStart.toString(Qt::ISODate))
                   .arg(r.used)
                   .arg(r.projected);
    else
        out += QStringLiteral("quota: none\n");
    return out;
}

} // namespace tarvo
