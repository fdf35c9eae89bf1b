#include "common/number_text.h"

#include <QLocale>

#include <gtest/gtest.h>

using tarvo::decimalSeparatorFor;
using tarvo::FormatPattern;
using tarvo::LeadingNumber;
using tarvo::NumberText;

TEST(NumberText, GeneralFormUpToFifteenDigits) {
    EXPECT_EQ(NumberText(12.5, u'.'), u"12.5");
    EXPECT_EQ(NumberText(0.5, u'.'), u"0.5");
    EXPECT_EQ(NumberText(0, u'.'), u"0");
    EXPECT_EQ(NumberText(-3.25, u'.'), u"-3.25");
    EXPECT_EQ(NumberText(1024, u'.'), u"1024");
    EXPECT_EQ(NumberText(999999999999999.0, u'.'), u"999999999999999");
    // 1/3 keeps 15 significant digits, no more.
    EXPECT_EQ(NumberText(1.0 / 3, u'.'), u"0.333333333333333");
}

TEST(NumberText, ExponentFormFromOneE15) {
    EXPECT_EQ(NumberText(1e15, u'.'), u"1E+15");
    EXPECT_EQ(NumberText(1234567890123456.0, u'.'), u"1.23456789012346E+15");
    EXPECT_EQ(NumberText(2.5e20, u','), u"2,5E+20");
    EXPECT_EQ(NumberText(1e-5, u'.'), u"1E-05");
}

TEST(NumberText, LocaleSeparator) {
    EXPECT_EQ(NumberText(12.5, u','), u"12,5");
    EXPECT_EQ(NumberText(0.75, u','), u"0,75");
}

TEST(LeadingNumber, ReadsTheNumberAtTheStart) {
    EXPECT_EQ(LeadingNumber(u"1024"), 1024);
    EXPECT_EQ(LeadingNumber(u" 1 0 2 4 "), 1024);
    EXPECT_EQ(LeadingNumber(u"\t-12.5kb"), -12.5);
    EXPECT_EQ(LeadingNumber(u"+7"), 7);
    EXPECT_EQ(LeadingNumber(u".5"), 0.5);
    EXPECT_EQ(LeadingNumber(u"1E+15"), 1e15);
    EXPECT_EQ(LeadingNumber(u"1.23456789012346E+15"), 1.23456789012346e15);
    EXPECT_EQ(LeadingNumber(u"3e"), 3);
    EXPECT_EQ(LeadingNumber(u"3e+x"), 3);
    EXPECT_EQ(LeadingNumber(u"12\n34"), 1234);
}

TEST(LeadingNumber, NoNumberGivesZero) {
    EXPECT_EQ(LeadingNumber(u""), 0);
    EXPECT_EQ(LeadingNumber(u"0 Kb"), 0);
    EXPECT_EQ(LeadingNumber(u"DOWN:"), 0);
    EXPECT_EQ(LeadingNumber(u"-"), 0);
    EXPECT_EQ(LeadingNumber(u"."), 0);
    EXPECT_EQ(LeadingNumber(u"١٢"), 0);    // only ASCII digits count
    EXPECT_EQ(LeadingNumber(u"1e999"), 0); // out of range in a damaged file
}

TEST(LeadingNumber, CommaEndsTheNumber) {
    EXPECT_EQ(LeadingNumber(u"12,5"), 12);
    EXPECT_EQ(LeadingNumber(NumberText(2.5e20, u',')), 2);
}

TEST(FormatPattern, PointZeroHasNoLeadingZero) {
    EXPECT_EQ(FormatPattern(0.25, u".0", u'.'), u".3");
    EXPECT_EQ(FormatPattern(0, u".0", u'.'), u".0");
    EXPECT_EQ(FormatPattern(1234.56, u".0", u'.'), u"1234.6");
    EXPECT_EQ(FormatPattern(-3.2, u".0", u'.'), u"-3.2");
    EXPECT_EQ(FormatPattern(0.04, u".0", u'.'), u".0");
    EXPECT_EQ(FormatPattern(0.05, u".0", u'.'), u".1");
    EXPECT_EQ(FormatPattern(10, u".0", u'.'), u"10.0");
    EXPECT_EQ(FormatPattern(9.96, u".0", u'.'), u"10.0");
    EXPECT_EQ(FormatPattern(-0.25, u".0", u'.'), u"-.3");
}

TEST(FormatPattern, RoundsHalvesAwayFromZeroAsWritten) {
    // 2.675 and 1.005 are below their decimal text in binary; rounding goes by the text.
    EXPECT_EQ(FormatPattern(2.675, u"0.00", u'.'), u"2.68");
    EXPECT_EQ(FormatPattern(1.005, u"0.00", u'.'), u"1.01");
    EXPECT_EQ(FormatPattern(-2.5, u"0.0", u'.'), u"-2.5");
    EXPECT_EQ(FormatPattern(-0.05, u"0.0", u'.'), u"-0.1");
    EXPECT_EQ(FormatPattern(0.15, u"0.0", u'.'), u"0.2");
}

TEST(FormatPattern, ZeroPointPatterns) {
    EXPECT_EQ(FormatPattern(0, u"0.0", u'.'), u"0.0");
    EXPECT_EQ(FormatPattern(12.34, u"0.0", u'.'), u"12.3");
    EXPECT_EQ(FormatPattern(0, u"0.00", u'.'), u"0.00");
    EXPECT_EQ(FormatPattern(1.254, u"0.00", u'.'), u"1.25");
    EXPECT_EQ(FormatPattern(1, u"0.00", u'.'), u"1.00");
    EXPECT_EQ(FormatPattern(0.999, u"0.00", u'.'), u"1.00");
    EXPECT_EQ(FormatPattern(1e20, u"0.00", u'.'), u"100000000000000000000.00");
    EXPECT_EQ(FormatPattern(0.0001, u"0.00", u'.'), u"0.00");
}

TEST(FormatPattern, CommaLocale) {
    EXPECT_EQ(FormatPattern(0.25, u".0", u','), u",3");
    EXPECT_EQ(FormatPattern(1.254, u"0.00", u','), u"1,25");
}

TEST(NumberText, SeparatorOfNonLatinDigitsBecomesAPoint) {
    EXPECT_EQ(decimalSeparatorFor(QLocale(QLocale::Arabic, QLocale::Egypt).decimalPoint()), u'.');
    EXPECT_EQ(decimalSeparatorFor(QString(QChar(0x066B))), u'.');
    EXPECT_EQ(decimalSeparatorFor(QLocale(QLocale::German).decimalPoint()), u',');
    EXPECT_EQ(decimalSeparatorFor(QLocale(QLocale::English).decimalPoint()), u'.');
    EXPECT_EQ(decimalSeparatorFor(QString()), u'.');
    // What the strip then shows under an Arabic locale.
    EXPECT_EQ(
        FormatPattern(10, u".0", decimalSeparatorFor(QLocale(QLocale::Arabic).decimalPoint())),
        u"10.0");
}
