#include "calendar/calendar_kind.h"
#include "calendar/date_conversion.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace tarvo {
namespace {

static_assert(sizeof(CalendarKind) == 2);
static_assert(static_cast<int>(CalendarKind::Gregorian) == 0);
static_assert(static_cast<int>(CalendarKind::Hijri) == 1);

const QString Pattern = QStringLiteral("dd/mm/yyyy");
constexpr auto G = CalendarKind::Gregorian;
constexpr auto H = CalendarKind::Hijri;

QString convert(const QString& text, CalendarKind from, CalendarKind to,
                const QString& pattern = Pattern) {
    return ConvertDateString(text, from, to, pattern);
}

struct Fields {
    int day, month, year;
};

Fields fieldsOf(const QString& text) {
    return {text.mid(0, 2).toInt(), text.mid(3, 2).toInt(), text.mid(6, 4).toInt()};
}

// Every day of two centuries goes to Hijri and back unchanged, and the Hijri side moves on by
// exactly one day each time: months of 29 or 30 days, twelve months a year.
TEST(DateConversion, EveryDayFrom1900To2100RoundTripsThroughHijri) {
    const QDate last(2100, 12, 31);
    std::optional<Fields> previous;
    int days = 0;
    for (QDate day(1900, 1, 1); day <= last; day = day.addDays(1), ++days) {
        const QString gregorian = day.toString(QStringLiteral("dd/MM/yyyy"));
        const QString hijriText = convert(gregorian, G, H);
        ASSERT_EQ(hijriText.size(), 10) << gregorian.toStdString();
        ASSERT_EQ(convert(hijriText, H, G), gregorian) << hijriText.toStdString();

        const Fields now = fieldsOf(hijriText);
        if (previous) {
            const bool nextDay = now.year == previous->year && now.month == previous->month &&
                                 now.day == previous->day + 1;
            const bool nextMonth =
                now.day == 1 && previous->day >= 29 && previous->day <= 30 &&
                ((now.year == previous->year && now.month == previous->month + 1) ||
                 (now.year == previous->year + 1 && now.month == 1 && previous->month == 12));
            ASSERT_TRUE(nextDay || nextMonth)
                << "after " << gregorian.toStdString() << " came " << hijriText.toStdString();
        }
        previous = now;
    }
    EXPECT_EQ(days, 73414);
}

TEST(DateConversion, GivesTheUmmAlQuraDate) {
    const struct {
        const char* gregorian;
        const char* hijri;
    } cases[] = {
        {"27/05/2017", "01/09/1438"}, // 1 Ramadan 1438
        {"10/04/2024", "01/10/1445"}, // 1 Shawwal 1445
        {"07/07/2024", "01/01/1446"}, // 1 Muharram 1446
        {"07/04/2017", "10/07/1438"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(convert(QString::fromLatin1(c.gregorian), G, H), QString::fromLatin1(c.hijri));
        EXPECT_EQ(convert(QString::fromLatin1(c.hijri), H, G), QString::fromLatin1(c.gregorian));
    }
}

TEST(DateConversion, RejectsTextThatIsNoDateOfTheSourceCalendar) {
    const struct {
        const char* text;
        CalendarKind calendar;
    } cases[] = {
        {"30/02/1438", H}, // Safar 1438 has 29 days
        {"30/09/1438", H}, // and so has Ramadan 1438
        {"00/01/1438", H},  {"01/13/1438", H},  {"01/00/1438", H}, {"29/02/2017", G},
        {"31/04/2017", G},  {"32/01/2017", G},  {"01/01/0000", G}, {"", G},
        {"abc", G},         {"07/04/17", G},    {"07-04-2017", G}, {"07/04/2017x", G},
        {"007/04/2017", G}, {"07/04/20170", G}, {"07//2017", G},   {"+7/04/2017", G},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromLatin1(c.text);
        EXPECT_THROW(convert(text, c.calendar, c.calendar == G ? H : G), DateConversionError)
            << c.text;
    }
    // Digits other than ASCII are not read: the texts the program writes never hold them.
    EXPECT_THROW(
        convert(QString::fromUtf16(u"\u0660\u0667/\u0660\u0664/\u0662\u0660\u0661\u0667"), G, H),
        DateConversionError);
}

TEST(DateConversion, ReadsOneDigitDayAndMonthAndWritesTwo) {
    EXPECT_EQ(convert("7/4/2017", G, H), "10/07/1438");
    EXPECT_EQ(convert("10/7/1438", H, G), "07/04/2017");
    EXPECT_EQ(convert(" 5/9/1438 ", H, H), "05/09/1438");
    EXPECT_EQ(convert("07/04/2017", G, G), "07/04/2017");
}

TEST(DateConversion, AppliesThePattern) {
    EXPECT_EQ(convert("07/04/2017", G, H, "d/m/yyyy"), "10/7/1438");
    EXPECT_EQ(convert("07/04/2017", G, H, "DD/MM/YYYY"), "10/07/1438");
    EXPECT_EQ(convert("07/04/2017", G, G, "yyyy-mm-dd"), "2017-04-07");
    EXPECT_EQ(convert("07/04/2017", G, G, "dd.mm.yy"), "07.04.17");
    EXPECT_THROW(convert("07/04/2017", G, G, "ddd dd/mm/yyyy"), DateConversionError);
}

TEST(DateConversion, FailsForADayBeforeTheHijriEra) {
    EXPECT_THROW(convert("01/01/0600", G, H), DateConversionError);
    EXPECT_EQ(convert("01/01/0001", H, G), "19/07/0622");
}

TEST(DateConversion, LeavesTheCurrentCalendarAsItFoundIt) {
    ASSERT_EQ(CurrentCalendar(), G);
    convert("07/04/2017", G, H);
    EXPECT_EQ(CurrentCalendar(), G);
    EXPECT_THROW(convert("30/02/1438", H, G), DateConversionError);
    EXPECT_EQ(CurrentCalendar(), G);
    EXPECT_THROW(convert("01/01/0600", G, H), DateConversionError); // fails when rendering
    EXPECT_EQ(CurrentCalendar(), G);
    {
        CurrentCalendarScope hijri(H);
        convert("10/07/1438", H, G);
        EXPECT_EQ(CurrentCalendar(), H);
        EXPECT_THROW(convert("29/02/2017", G, H), DateConversionError);
        EXPECT_EQ(CurrentCalendar(), H);
        EXPECT_THROW(convert("07/04/2017", G, H, "mmm"), DateConversionError);
        EXPECT_EQ(CurrentCalendar(), H);
    }
    EXPECT_EQ(CurrentCalendar(), G);
}

TEST(DateConversion, TodaysTextFollowsTheCurrentCalendarInAsciiDigits) {
    // An Arabic locale writes its own digits; the date texts must not.
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::SaudiArabia));
    const QDate friday(2017, 4, 7);
    EXPECT_EQ(dateText(friday), "07/04/2017");
    {
        CurrentCalendarScope hijri(H);
        EXPECT_EQ(dateText(friday), "10/07/1438");
        EXPECT_EQ(convert(dateText(friday), CurrentCalendar(), G), "07/04/2017");
    }
    QLocale::setDefault(saved);
}

TEST(DateConversion, CountsTheWeekFromSunday) {
    EXPECT_EQ(weekdayFromSunday(QDate(2017, 4, 2)), 1); // Sunday
    EXPECT_EQ(weekdayFromSunday(QDate(2017, 4, 7)), 6); // Friday
    EXPECT_EQ(weekdayFromSunday(QDate(2017, 4, 8)), 7); // Saturday
}

} // namespace
} // namespace tarvo
