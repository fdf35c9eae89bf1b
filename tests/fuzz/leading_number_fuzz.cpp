// Any text as the start of a number: the value is a number, and the texts the program writes
// for it read back as the same value.
#include "common/number_text.h"
#include "fuzz_support.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString utf8 = fuzz::text(data, size);
    const QString utf16 = QString(reinterpret_cast<const QChar*>(data), qsizetype(size / 2));
    for (const QString& text : {utf8, utf16}) {
        const double value = tarvo::LeadingNumber(text);
        fuzz::require(!std::isnan(value), "a leading number is never NaN");
        if (!std::isfinite(value))
            continue;
        const QString written = tarvo::NumberText(value, u'.');
        const double back = tarvo::LeadingNumber(written);
        // 15 significant digits: equal to within the last of them.
        fuzz::require(std::fabs(back - value) <= std::fabs(value) * 1e-14,
                      "the general text reads back as its value");
        for (const char16_t* pattern : {u".0", u"0.0", u"0.00"}) {
            const QString rounded = tarvo::FormatPattern(value, pattern, u'.');
            fuzz::require(std::fabs(tarvo::LeadingNumber(rounded) - value) <=
                              0.5 + std::fabs(value) * 1e-14,
                          "a pattern rounds to within half a unit");
        }
    }
    return 0;
}
