#include "history/usage_model.h"

#include "history/router_usage.h"

#include "calendar/date_conversion.h"
#include "calendar/date_names.h"

#include <optional>
#include <utility>

namespace tarvo {

namespace {

QDate dayOf(const UsageRow& row, UsagePeriod period) {
    const QDate day = row.start.date();
    return period == UsagePeriod::Months ? QDate(day.year(), day.month(), 1) : day;
}

// "dd/mm/yyyy", as "--usage --json" writes it; empty outside the calendar's years.
QString hijriText(const QDate& day) {
    return renderDate(day, CalendarKind::Hijri, DatePattern).value_or(QString());
}

std::optional<CalendarDate> hijriOf(const QDate& day) {
    const std::optional<QString> text = renderDate(day, CalendarKind::Hijri, DatePattern);
    return text ? readDateText(*text) : std::nullopt;
}

QString gregorianLine(const QDate& day) {
    return WeekdayNames(weekdayFromSunday(day)) + u' ' +
           day.toString(QStringLiteral("dd/MM/yyyy")) + QStringLiteral(" م");
}

QString monthName(const QDate& day) {
    return GregorianMonthNames(day.month()) + u' ' + QString::number(day.year());
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

QString usageTabName(UsagePeriod period) {
    switch (period) {
    case UsagePeriod::Today:
        return QStringLiteral("اليوم");
    case UsagePeriod::Days:
        return QStringLiteral("الأيام");
    case UsagePeriod::Months:
        return QStringLiteral("الأشهر");
    }
    return {};
}

QString unitsNote() {
    // MB and GB as the strip writes them, and what they are.
    return QStringLiteral("الميغابايت (MB) = 1024 × 1024 بايت، والغيغابايت (GB) = 1024 ميغابايت");
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

QStringList usageColumnHeaders(UsagePeriod period) {
    QStringList headers;
    switch (period) {
    case UsagePeriod::Today:
        headers << QStringLiteral("الساعة");
        break;
    case UsagePeriod::Days:
        headers << QStringLiteral("التاريخ") << QStringLiteral("التاريخ الهجري");
        break;
    case UsagePeriod::Months:
        headers << QStringLiteral("الشهر") << QStringLiteral("الأشهر الهجرية");
        break;
    }
    return headers << QStringLiteral("المستلم") << QStringLiteral("المرسل")
                   << QStringLiteral("المجموع");
}

QString todayLine(const QDate& today) {
    QString line = QStringLiteral("اليوم ") + WeekdayNames(weekdayFromSunday(today));
    if (const std::optional<CalendarDate> hijri = hijriOf(today))
        line += QStringLiteral(" %1 %2 %3 هـ،")
                    .arg(hijri->day)
                    .arg(HijriMonthNames(hijri->month))
                    .arg(hijri->year);
    return line + QStringLiteral(" %1 %2 %3 م")
                      .arg(today.day())
                      .arg(GregorianMonthNames(today.month()))
                      .arg(today.year());
}

QString hijriMonthSpans(const QDate& anyDayOfMonth) {
    const QDate first(anyDayOfMonth.year(), anyDayOfMonth.month(), 1);
    std::vector<std::pair<int, int>> months; // year, month
    // A Hijri month has at least 29 days, so after its 28th day the next can start: the days
    // before that need no conversion.
    for (QDate day = first; day.month() == first.month(); day = day.addDays(1)) {
        const std::optional<CalendarDate> hijri = hijriOf(day);
        if (!hijri)
            continue;
        if (months.empty() || months.back() != std::pair(hijri->year, hijri->month))
            months.emplace_back(hijri->year, hijri->month);
        if (hijri->day < 28)
            day = day.addDays(28 - hijri->day);
    }
    QString text;
    for (std::size_t i = 0; i < months.size(); ++i) {
        if (i > 0)
            text += QStringLiteral(" - ");
        text += HijriMonthNames(months[i].second);
        if (i + 1 == months.size() || months[i + 1].first != months[i].first)
            text += u' ' + QString::number(months[i].first);
    }
    return text;
}

QStringList UsageTableRow::cells(UsagePeriod period) const {
    if (period == UsagePeriod::Today)
        return {date, received, sent, total};
    return {date, hijriDate, received, sent, total};
}

std::vector<UsageTableRow> usageTableRows(const std::vector<UsageRow>& rows, UsagePeriod period) {
    std::vector<UsageTableRow> table;
    table.reserve(rows.size());
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        const UsageRow& row = *it;
        UsageTableRow r;
        switch (period) {
        case UsagePeriod::Today:
            r.date = row.start.time().toString(QStringLiteral("HH:mm"));
            break;
        case UsagePeriod::Days:
            r.date = row.start.date().toString(QStringLiteral("dd/MM/yyyy"));
            r.hijriDate = hijriText(row.start.date());
            break;
        case UsagePeriod::Months:
            r.date = monthName(row.start.date());
            r.hijriDate = hijriMonthSpans(row.start.date());
            break;
        }
        r.beforeMeter = row.beforeMeter > 0;
        if (r.beforeMeter)
            r.date += QStringLiteral(" *");
        r.spread = row.spread > 0;
        if (r.spread)
            r.date += QStringLiteral(" ~");
        r.received = amountText(row.received);
        r.sent = amountText(row.sent);
        r.total = amountText(row.received + row.sent);
        table.push_back(r);
    }
    return table;
}

QString usageBarLabel(const UsageRow& row, UsagePeriod period) {
    switch (period) {
    case UsagePeriod::Today:
        return row.start.time().toString(QStringLiteral("HH"));
    case UsagePeriod::Days:
        return QString::number(row.start.date().day());
    case UsagePeriod::Months:
        return GregorianMonthNames(row.start.date().month());
    }
    return {};
}

QString usageAxisTitle(UsagePeriod period) {
    switch (period) {
    case UsagePeriod::Today:
        return QStringLiteral("الساعة");
    case UsagePeriod::Days:
        return QStringLiteral("يوم الشهر");
    case UsagePeriod::Months:
        return QStringLiteral("الشهر");
    }
    return {};
}

QString usageBarToolTip(const UsageRow& row, UsagePeriod period) {
    const QDate day = row.start.date();
    QStringList lines;
    if (period == UsagePeriod::Months) {
        lines << monthName(day) + QStringLiteral(" م")
              << hijriMonthSpans(day) + QStringLiteral(" هـ");
    } else {
        if (period == UsagePeriod::Today)
            lines << QStringLiteral("الساعة ") + row.start.time().toString(QStringLiteral("HH:mm"));
        lines << gregorianLine(day);
        const QString hijri = hijriText(day);
        if (!hijri.isEmpty())
            lines << hijri + QStringLiteral(" هـ");
    }
    lines << QStringLiteral("المستلم: ") + amountText(row.received)
          << QStringLiteral("المرسل: ") + amountText(row.sent);
    if (row.beforeMeter > 0)
        lines << QString::fromUtf16(BeforeMeterNote);
    if (row.spread > 0)
        lines << QString::fromUtf16(SpreadNote);
    return lines.join(u'\n');
}

QString usageCsv(const std::array<std::vector<UsageRow>, 3>& rows, const QString& router) {
    const QStringList headers{QStringLiteral("الجدول"),
                              QStringLiteral("التاريخ"),
                              QStringLiteral("التاريخ الهجري"),
                              QStringLiteral("المستلم (بايت)"),
                              QStringLiteral("المرسل (بايت)"),
                              QStringLiteral("المجموع (بايت)"),
                              QStringLiteral("منه قبل تشغيل البرنامج (بايت)")};
    // The byte order mark tells spreadsheet programs that the Arabic is UTF-8.
    QStringList fields;
    for (const QString& header : headers)
        fields << csvField(header);
    QString csv = QChar(0xFEFF) + fields.join(u',') + QStringLiteral("\r\n");
    for (const UsagePeriod period : {UsagePeriod::Today, UsagePeriod::Days, UsagePeriod::Months}) {
        const QString tab = router.isEmpty()
                                ? usageTabName(period)
                                : csvField(usageTabName(period) + QStringLiteral(" - ") + router);
        for (const UsageRow& row : rows[std::size_t(period)]) {
            QString date;
            switch (period) {
            case UsagePeriod::Today:
                date = row.start.date().toString(Qt::ISODate) + u' ' +
                       row.start.time().toString(QStringLiteral("HH:mm"));
                break;
            case UsagePeriod::Days:
                date = row.start.date().toString(Qt::ISODate);
                break;
            case UsagePeriod::Months:
                date = row.start.date().toString(QStringLiteral("yyyy-MM"));
                break;
            }
            csv += tab + u',' + date + u',' + hijriText(dayOf(row, period)) + u',' +
                   QString::number(row.received) + u',' + QString::number(row.sent) + u',' +
                   QString::number(row.received + row.sent) + u',' +
                   QString::number(row.beforeMeter) + QStringLiteral("\r\n");
        }
    }
    return csv;
}

} // namespace tarvo
