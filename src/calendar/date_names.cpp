#include "calendar/date_names.h"

#include <array>

namespace tarvo {

namespace {

// Written as code points so that no editor or font can swap a letter (alef with hamza above in
// Jumada al-Akhira, not alef with madda).
constexpr std::array<const char16_t*, 7> weekdays = {
    u"\u0627\u0644\u0623\u062D\u062F",                   // Sunday
    u"\u0627\u0644\u0625\u062B\u0646\u064A\u0646",       // Monday
    u"\u0627\u0644\u062B\u0644\u0627\u062B\u0627\u0621", // Tuesday
    u"\u0627\u0644\u0623\u0631\u0628\u0639\u0627\u0621", // Wednesday
    u"\u0627\u0644\u062E\u0645\u064A\u0633",             // Thursday
    u"\u0627\u0644\u062C\u0645\u0639\u0629",             // Friday
    u"\u0627\u0644\u0633\u0628\u062A",                   // Saturday
};

constexpr std::array<const char16_t*, 12> gregorianMonths = {
    u"\u064A\u0646\u0627\u064A\u0631",       // January
    u"\u0641\u0628\u0631\u0627\u064A\u0631", // February
    u"\u0645\u0627\u0631\u0633",             // March
    u"\u0625\u0628\u0631\u064A\u0644",       // April
    u"\u0645\u0627\u064A\u0648",             // May
    u"\u064A\u0648\u0646\u064A\u0648",       // June
    u"\u064A\u0648\u0644\u064A\u0648",       // July
    u"\u0623\u063A\u0633\u0637\u0633",       // August
    u"\u0633\u0628\u062A\u0645\u0628\u0631", // September
    u"\u0623\u0643\u062A\u0648\u0628\u0631", // October
    u"\u0646\u0648\u0641\u0645\u0628\u0631", // November
    u"\u062F\u064A\u0633\u0645\u0628\u0631", // December
};

constexpr std::array<const char16_t*, 12> hijriMonths = {
    u"\u0627\u0644\u0645\u062D\u0631\u0645",                                // Muharram
    u"\u0635\u0641\u0631",                                                  // Safar
    u"\u0631\u0628\u064A\u0639 \u0627\u0644\u0623\u0648\u0644",             // Rabi al-Awwal
    u"\u0631\u0628\u064A\u0639 \u0627\u0644\u062B\u0627\u0646\u064A",       // Rabi al-Thani
    u"\u062C\u0645\u0627\u062F\u0649 \u0627\u0644\u0623\u0648\u0644\u0649", // Jumada al-Ula
    u"\u062C\u0645\u0627\u062F\u0649 \u0627\u0644\u0623\u062E\u0631\u0629", // Jumada al-Akhira
    u"\u0631\u062C\u0628",                                                  // Rajab
    u"\u0634\u0639\u0628\u0627\u0646",                                      // Shaban
    u"\u0631\u0645\u0636\u0627\u0646",                                      // Ramadan
    u"\u0634\u0648\u0627\u0644",                                            // Shawwal
    u"\u0630\u0648 \u0627\u0644\u0642\u0639\u062F\u0629",                   // Dhu al-Qada
    u"\u0630\u0648 \u0627\u0644\u062D\u062C\u0629",                         // Dhu al-Hijja
};

template <std::size_t N> QString lookup(const std::array<const char16_t*, N>& table, int number) {
    if (number < 1 || number > int(N))
        return QString();
    return QString::fromUtf16(table[std::size_t(number - 1)]);
}

} // namespace

QString WeekdayNames(int weekdayFromSunday) {
    return lookup(weekdays, weekdayFromSunday);
}

QString GregorianMonthNames(int month) {
    return lookup(gregorianMonths, month);
}

QString HijriMonthNames(int month) {
    return lookup(hijriMonths, month);
}

} // namespace tarvo
