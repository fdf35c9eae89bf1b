// Any text as a date text, and any text as a pattern: a date read is written back in the
// program's own pattern and reads as the same date; writing with any pattern is bounded.
#include "calendar/date_text.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = fuzz::text(data, size);
    if (const std::optional<tarvo::CalendarDate> date = tarvo::readDateText(text)) {
        fuzz::require(date->year >= 0 && date->year <= 9999, "a year has four digits");
        const std::optional<QString> written = tarvo::writeDateText(*date, tarvo::DatePattern);
        fuzz::require(written && written->size() == 10, "dd/mm/yyyy writes ten characters");
        if (date->day >= 1 && date->day <= 99 && date->month >= 1 && date->month <= 99) {
            const std::optional<tarvo::CalendarDate> back = tarvo::readDateText(*written);
            fuzz::require(back && *back == *date, "a written date reads back");
        }
    }
    const tarvo::CalendarDate someDay{1438, 7, 10};
    if (const std::optional<QString> written = tarvo::writeDateText(someDay, text))
        fuzz::require(written->size() <= 2 * text.size() + 4,
                      "a pattern element writes few digits");
    return 0;
}
