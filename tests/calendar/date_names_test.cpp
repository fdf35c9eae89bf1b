#include "calendar/date_lines.h"
#include "calendar/date_names.h"

#include "code_points.h"

#include <gtest/gtest.h>

namespace tarvo {
namespace {

QString ascii(const char* text) {
    return QString::fromLatin1(text);
}

const QString weekdays[] = {
    cp({0x0627, 0x0644, 0x0623, 0x062D, 0x062F}),
    cp({0x0627, 0x0644, 0x0625, 0x062B, 0x0646, 0x064A, 0x0646}),
    cp({0x0627, 0x0644, 0x062B, 0x0644, 0x0627, 0x062B, 0x0627, 0x0621}),
    cp({0x0627, 0x0644, 0x0623, 0x0631, 0x0628, 0x0639, 0x0627, 0x0621}),
    cp({0x0627, 0x0644, 0x062E, 0x0645, 0x064A, 0x0633}),
    cp({0x0627, 0x0644, 0x062C, 0x0645, 0x0639, 0x0629}),
    cp({0x0627, 0x0644, 0x0633, 0x0628, 0x062A}),
};

const QString gregorianMonths[] = {
    cp({0x064A, 0x0646, 0x0627, 0x064A, 0x0631}),
    cp({0x0641, 0x0628, 0x0631, 0x0627, 0x064A, 0x0631}),
    cp({0x0645, 0x0627, 0x0631, 0x0633}),
    cp({0x0625, 0x0628, 0x0631, 0x064A, 0x0644}),
    cp({0x0645, 0x0627, 0x064A, 0x0648}),
    cp({0x064A, 0x0648, 0x0646, 0x064A, 0x0648}),
    cp({0x064A, 0x0648, 0x0644, 0x064A, 0x0648}),
    cp({0x0623, 0x063A, 0x0633, 0x0637, 0x0633}),
    cp({0x0633, 0x0628, 0x062A, 0x0645, 0x0628, 0x0631}),
    cp({0x0623, 0x0643, 0x062A, 0x0648, 0x0628, 0x0631}),
    cp({0x0646, 0x0648, 0x0641, 0x0645, 0x0628, 0x0631}),
    cp({0x062F, 0x064A, 0x0633, 0x0645, 0x0628, 0x0631}),
};

const QString hijriMonths[] = {
    cp({0x0627, 0x0644, 0x0645, 0x062D, 0x0631, 0x0645}),
    cp({0x0635, 0x0641, 0x0631}),
    cp({0x0631, 0x0628, 0x064A, 0x0639, 0x0020, 0x0627, 0x0644, 0x0623, 0x0648, 0x0644}),
    cp({0x0631, 0x0628, 0x064A, 0x0639, 0x0020, 0x0627, 0x0644, 0x062B, 0x0627, 0x0646, 0x064A}),
    cp({0x062C, 0x0645, 0x0627, 0x062F, 0x0649, 0x0020, 0x0627, 0x0644, 0x0623, 0x0648, 0x0644,
        0x0649}),
    cp({0x062C, 0x0645, 0x0627, 0x062F, 0x0649, 0x0020, 0x0627, 0x0644, 0x0623, 0x062E, 0x0631,
        0x0629}),
    cp({0x0631, 0x062C, 0x0628}),
    cp({0x0634, 0x0639, 0x0628, 0x0627, 0x0646}),
    cp({0x0631, 0x0645, 0x0636, 0x0627, 0x0646}),
    cp({0x0634, 0x0648, 0x0627, 0x0644}),
    cp({0x0630, 0x0648, 0x0020, 0x0627, 0x0644, 0x0642, 0x0639, 0x062F, 0x0629}),
    cp({0x0630, 0x0648, 0x0020, 0x0627, 0x0644, 0x062D, 0x062C, 0x0629}),
};

const QString gregorianEra = cp({0x0645, 0x0020});
const QString hijriEra = cp({0x0647, 0x0640, 0x0020});

TEST(DateNames, TablesHoldExactlyTheseCodePoints) {
    for (int i = 1; i <= 7; ++i)
        EXPECT_EQ(WeekdayNames(i), weekdays[i - 1]) << "weekday " << i;
    for (int i = 1; i <= 12; ++i) {
        EXPECT_EQ(GregorianMonthNames(i), gregorianMonths[i - 1]) << "Gregorian month " << i;
        EXPECT_EQ(HijriMonthNames(i), hijriMonths[i - 1]) << "Hijri month " << i;
    }
    EXPECT_EQ(QString::fromUtf16(GregorianEraMark), gregorianEra);
    EXPECT_EQ(QString::fromUtf16(HijriEraMark), hijriEra);
}

TEST(DateNames, NumbersOutsideATableGiveTheEmptyText) {
    for (int n : {0, 8, -1, 100})
        EXPECT_TRUE(WeekdayNames(n).isEmpty()) << n;
    for (int n : {0, 13, -12}) {
        EXPECT_TRUE(GregorianMonthNames(n).isEmpty()) << n;
        EXPECT_TRUE(HijriMonthNames(n).isEmpty()) << n;
    }
}

TEST(DateLines, GregorianLineWritesTheDayWithoutLeadingZero) {
    EXPECT_EQ(GregorianDateLine(QDate(2017, 3, 5)),
              gregorianEra + ascii("5 ") + gregorianMonths[2] + ascii(" 2017"));
    EXPECT_EQ(GregorianDateLine(QDate(2024, 12, 31)),
              gregorianEra + ascii("31 ") + gregorianMonths[11] + ascii(" 2024"));
}

TEST(DateLines, HijriLineKeepsTheTwoCharactersOfTheDay) {
    EXPECT_EQ(HijriDateLine(ascii("05/09/1438")),
              hijriEra + ascii("05 ") + hijriMonths[8] + ascii(" 1438"));
    // Month 12's name holds a space: three spaces lie between day part and year part.
    const QString dhuAlHijja = HijriDateLine(ascii("10/12/1445"));
    EXPECT_EQ(dhuAlHijja, hijriEra + ascii("10 ") + hijriMonths[11] + ascii(" 1445"));
    EXPECT_EQ(dhuAlHijja.mid(5).count(u' '), 3);
}

TEST(DateLines, HijriLineTrimsOnlyTheOuterSpaces) {
    EXPECT_EQ(HijriDateLine(ascii(" 5/09/1438")),
              hijriEra + ascii("5 ") + hijriMonths[8] + ascii(" 1438"));
    // A month number naming no month leaves two spaces between day and year.
    EXPECT_EQ(HijriDateLine(ascii("05/13/1438")), hijriEra + ascii("05  1438"));
    // A failed conversion leaves an empty text: the line is the era mark alone.
    EXPECT_EQ(HijriDateLine(QString()), hijriEra);
}

} // namespace
} // namespace tarvo
