#include "calendar/date_lines.h"

#include "calendar/date_names.h"
#include "common/number_text.h"

#include <cmath>

namespace tarvo {

namespace {

// Only U+0020 is trimmed: a tatweel or other blank belongs to the text.
QString trimSpaces(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    return text.mid(first, last - first);
}

// The month number read as a number (" 9", "09" and "9/" all give 9); nothing usable gives 0,
// which names no month.
int monthNumber(const QString& characters) {
    const double value = LeadingNumber(characters);
    if (value != std::floor(value) || value < 0 || value > 99)
        return 0;
    return int(value);
}

} // namespace

QString GregorianDateLine(QDate today) {
    return QString::fromUtf16(GregorianEraMark) + QString::number(today.day()) + u' ' +
           GregorianMonthNames(today.month()) + u' ' + QString::number(today.year());
}

QString HijriDateLine(const QString& hijriText) {
    const QString dayPart = hijriText.mid(0, 2);
    const QString monthName = HijriMonthNames(monthNumber(hijriText.mid(3, 2)));
    const QString yearPart = hijriText.mid(6, 4);
    return QString::fromUtf16(HijriEraMark) +
           trimSpaces(dayPart + u' ' + monthName + u' ' + yearPart);
}

} // namespace tarvo
