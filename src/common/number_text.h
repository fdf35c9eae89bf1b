#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

namespace tarvo {

// The decimal separator of the user's locale, as the number texts write it.
QChar localeDecimalSeparator();

// The separator to use for a locale's decimal point: "." in place of the separators that
// belong to non-Latin digits (U+066B of the Arabic locales), since the digits shown are
// Latin; "." and "," as they are.
QChar decimalSeparatorFor(const QString& localeDecimalPoint);

// The general text of a double: up to 15 significant digits, no trailing zeros,
// exponent form from 1E+15 on (and below 1E-4), the given decimal separator.
QString NumberText(double x, QChar decimalSeparator = localeDecimalSeparator());

// The value of the number at the start of a text. Blanks, tabs and line feeds are
// skipped wherever they stand; "." is the only decimal point; no number gives 0.
double LeadingNumber(QStringView text);

// x rounded to the pattern's decimals, halves away from zero, on the value as written
// with 15 significant digits. Patterns: ".0", "0.0", "0.00".
QString FormatPattern(double x, QStringView pattern,
                      QChar decimalSeparator = localeDecimalSeparator());

// The strip's amounts: kilobytes of 1024 bytes, megabytes of 1024 kilobytes.
constexpr double kBytesPerKB = 1024;
// An amount in kilobytes as the strip shows megabytes: two decimals.
QString MegabytesText(double kilobytes, QChar decimalSeparator = localeDecimalSeparator());

} // namespace tarvo
