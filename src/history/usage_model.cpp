#include "history/usage_model.h"

#include "calendar/date_conversion.h"

namespace tarvo {

namespace {

constexpr std::uint64_t kMB = 1024 * 1024;
constexpr std::uint64_t kGB = kMB * 1024;

// Hundredths of unit, rounded half up, without floating point.
std::uint64_t hundredths(std::uint64_t bytes, std::uint64_t unit) {
    return bytes / unit * 100 + (bytes % unit * 100 + unit / 2) / unit;
}

QString withTwoDecimals(std::uint64_t hundredths) {
    return QStringLiteral("%1.%2").arg(hundredths / 100).arg(hundredths % 100, 2, 10, QChar(u'0'));
}

QDate dayOf(const UsageRow& row, UsagePeriod period) {
    const QDate day = row.start.date();
    return period == UsagePeriod::Months ? QDate(day.year(), day.month(), 1) : day;
}

QString hijriText(const QDate& day, QStringView pattern) {
    return renderDate(day, CalendarKind::Hijri, pattern).value_or(QString());
}

QString csvField(const QString& text) {
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') &&
        !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

} // namespace

QString amountText(std::uint64_t bytes) {
    // Decided on the rounded figure, so that no amount reads "1024.00 MB".
    const std::uint64_t mb = hundredths(bytes, kMB);
    if (mb < 1024 * 100)
        return withTwoDecimals(mb) + QStringLiteral(" MB");
    return withTwoDecimals(hundredths(bytes, kGB)) + QStringLiteral(" GB");
}

std::vector<UsageRow> readUsage(UsageSource* source, UsagePeriod period, const QDate& today) {
    if (!source)
        return {};
    switch (period) {
    case UsagePeriod::Today:
        return source->hours(today);
    case UsagePeriod::Days:
        return source->days(today.addDays(-30), today);
    case UsagePeriod::Months:
        return source->months(QDate(today.year(), today.month(), 1).addMonths(-11), today);
    }
    return {};
}

QStringList usageColumnHeaders() {
    return {QStringLiteral("التاريخ"), QStringLiteral("التاريخ الهجري"), QStringLiteral("المستلم"),
            QStringLiteral("المرسل"), QStringLiteral("المجموع")};
}

std::vector<UsageTableRow> usageTableRows(const std::vector<UsageRow>& rows, UsagePeriod period) {
    std::vector<UsageTableRow> table;
    table.reserve(rows.size());
    for (const UsageRow& row : rows) {
        UsageTableRow r;
        switch (period) {
        case UsagePeriod::Today:
            r.date = row.start.time().toString(QStringLiteral("HH:mm"));
            break;
        case UsagePeriod::Days:
            r.date = row.start.date().toString(QStringLiteral("dd/MM/yyyy"));
            break;
        case UsagePeriod::Months:
            r.date = row.start.date().toString(QStringLiteral("MM/yyyy"));
            break;
        }
        r.hijriDate = hijriText(dayOf(row, period), DatePattern);
        r.received = amountText(row.received);
        r.sent = amountText(row.sent);
        r.total = amountText(row.received + row.sent);
        table.push_back(r);
    }
    return table;
}

QString usageCsv(const std::vector<UsageRow>& rows, UsagePeriod period) {
    QStringList headers;
    for (const QString& header : usageColumnHeaders())
        headers << csvField(header);
    QString csv = headers.join(u',') + QStringLiteral("\r\n");
    for (const UsageRow& row : rows) {
        QString date;
        switch (period) {
        case UsagePeriod::Today:
            date = row.start.toString(QStringLiteral("yyyy-MM-ddTHH:mm"));
            break;
        case UsagePeriod::Days:
            date = row.start.date().toString(Qt::ISODate);
            break;
        case UsagePeriod::Months:
            date = row.start.date().toString(QStringLiteral("yyyy-MM"));
            break;
        }
        csv += date + u',' + hijriText(dayOf(row, period), u"yyyy-mm-dd") + u',' +
               QString::number(row.received) + u',' + QString::number(row.sent) + u',' +
               QString::number(row.received + row.sent) + QStringLiteral("\r\n");
    }
    return csv;
}

} // namespace tarvo
