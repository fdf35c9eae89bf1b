#pragma once

#include <QString>

namespace tarvo {

// Era marks that open the two date lines; each ends in a space.
// Gregorian: meem, space. Hijri: heh, tatweel, space.
inline constexpr char16_t GregorianEraMark[] = u"\u0645 ";
inline constexpr char16_t HijriEraMark[] = u"\u0647\u0640 ";

// Arabic names by number; a number outside the table gives the empty text.
QString WeekdayNames(int weekdayFromSunday); // 1 = Sunday ... 7 = Saturday
QString GregorianMonthNames(int month);      // 1 = January ... 12 = December
QString HijriMonthNames(int month);          // 1 = Muharram ... 12 = Dhu al-Hijja

} // namespace tarvo
