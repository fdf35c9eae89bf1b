#pragma once

#include <QDate>
#include <QString>

namespace tarvo {

// Today's Gregorian line: era mark, day without leading zero, month name, year.
QString GregorianDateLine(QDate today);

// The Hijri line from a "dd/mm/yyyy" text: era mark, then day part, month name and year part
// taken by character position and trimmed of spaces. An empty text gives the era mark alone.
QString HijriDateLine(const QString& hijriText);

} // namespace tarvo
