#include "number_text.h"

#include <QLocale>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace tarvo {

QChar localeDecimalSeparator() {
    // Read once: the separator is looked up on every tick, the locale does not change in a run.
    static const QChar separator = decimalSeparatorFor(QLocale::system().decimalPoint());
    return separator;
}

QChar decimalSeparatorFor(const QString& localeDecimalPoint) {
    if (localeDecimalPoint.size() != 1)
        return u'.';
    const QChar point = localeDecimalPoint.front();
    // Latin-script separators stay: the comma of the comma locales among them.
    return point.unicode() < 0x80 ? point : QChar(u'.');
}

namespace {

// Digits of |x| with 15 significant digits: "d.dddddddddddddde+XX" split into its parts.
struct Decimal {
    std::string digits; // 15 digits, first one non-zero unless x is 0
    int exponent = 0;   // value = 0.digits * 10^(exponent + 1)
};

Decimal toDecimal(double x) {
    std::array<char, 64> buf{};
    auto res = std::to_chars(buf.data(), buf.data() + buf.size(), std::fabs(x),
                             std::chars_format::scientific, 14);
    std::string text(buf.data(), res.ptr);
    Decimal d;
    const auto e = text.find('e');
    d.digits = text.substr(0, 1) + text.substr(2, e - 2);
    d.exponent = std::atoi(text.c_str() + e + 1);
    return d;
}

} // namespace

QString NumberText(double x, QChar decimalSeparator) {
    if (!std::isfinite(x))
        return QStringLiteral("0");
    if (x == 0)
        return QStringLiteral("0");
    std::array<char, 64> buf{};
    auto res =
        std::to_chars(buf.data(), buf.data() + buf.size(), x, std::chars_format::general, 15);
    QString text = QString::fromLatin1(buf.data(), int(res.ptr - buf.data()));
    const int e = text.indexOf(u'e');
    if (e >= 0) {
        text[e] = u'E';
        // The mantissa keeps its digits; the exponent has at least two digits ("1E+15").
        QString mantissa = text.left(e + 2);
        QString exponent = text.mid(e + 2);
        while (exponent.size() < 2)
            exponent.prepend(u'0');
        text = mantissa + exponent;
    }
    text.replace(u'.', decimalSeparator);
    return text;
}

double LeadingNumber(QStringView text) {
    std::string s;
    s.reserve(size_t(text.size()));
    for (QChar c : text) {
        if (c == u' ' || c == u'\t' || c == u'\n')
            continue;
        s.push_back(c.unicode() < 128 ? char(c.unicode()) : '\x7f');
    }
    size_t i = 0;
    const size_t n = s.size();
    std::string num;
    if (i < n && (s[i] == '+' || s[i] == '-'))
        num.push_back(s[i++]);
    bool anyDigit = false;
    while (i < n && std::isdigit(static_cast<unsigned char>(s[i]))) {
        num.push_back(s[i++]);
        anyDigit = true;
    }
    if (i < n && s[i] == '.') {
        num.push_back(s[i++]);
        while (i < n && std::isdigit(static_cast<unsigned char>(s[i]))) {
            num.push_back(s[i++]);
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return 0;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        std::string exp = "e";
        if (j < n && (s[j] == '+' || s[j] == '-'))
            exp.push_back(s[j++]);
        bool expDigit = false;
        while (j < n && std::isdigit(static_cast<unsigned char>(s[j]))) {
            exp.push_back(s[j++]);
            expDigit = true;
        }
        if (expDigit)
            num += exp;
    }
    const char* first = num.c_str();
    if (*first == '+')
        ++first;
    double value = 0;
    auto res = std::from_chars(first, num.c_str() + num.size(), value);
    // Out-of-range numbers in a damaged file count as no number rather than infinity.
    if (res.ec != std::errc() || !std::isfinite(value))
        return 0;
    return value;
}

QString MegabytesText(double kilobytes, QChar decimalSeparator) {
    return FormatPattern(kilobytes / kBytesPerKB, u"0.00", decimalSeparator);
}

QString FormatPattern(double x, QStringView pattern, QChar decimalSeparator) {
    const qsizetype point = pattern.indexOf(u'.');
    const int decimals = point < 0 ? 0 : int(pattern.size() - point - 1);
    const bool leadingZero = point != 0;
    if (!std::isfinite(x))
        x = 0;

    // Decimal rounding on the 15 significant digits, so 2.675 gives 2.68 as written.
    std::string intPart = "0";
    std::string fracPart(size_t(decimals), '0');
    if (x != 0) {
        const Decimal d = toDecimal(x);
        // All digits of the value as a fixed-point string: intDigits.fracDigits.
        std::string all = d.digits;
        int intLen = d.exponent + 1; // digits before the point
        if (intLen <= 0) {
            all.insert(0, size_t(-intLen), '0');
            intLen = 0;
        } else if (intLen > int(all.size())) {
            all.append(size_t(intLen - int(all.size())), '0');
        }
        const size_t keep = size_t(intLen + decimals);
        std::string kept = all.substr(0, std::min(keep, all.size()));
        kept.append(keep - kept.size(), '0');
        const bool roundUp = keep < all.size() && all[keep] >= '5';
        if (roundUp) {
            int k = int(kept.size()) - 1;
            while (k >= 0 && kept[size_t(k)] == '9') {
                kept[size_t(k)] = '0';
                --k;
            }
            if (k >= 0)
                ++kept[size_t(k)];
            else {
                kept.insert(0, 1, '1');
                ++intLen;
            }
        }
        intPart = kept.substr(0, size_t(intLen));
        fracPart = kept.substr(size_t(intLen));
        const auto nz = intPart.find_first_not_of('0');
        intPart = nz == std::string::npos ? "0" : intPart.substr(nz);
    }
    QString out;
    if (x < 0)
        out += u'-';
    if (intPart != "0" || leadingZero)
        out += QString::fromLatin1(intPart.data(), qsizetype(intPart.size()));
    if (decimals > 0) {
        out += decimalSeparator;
        out += QString::fromLatin1(fracPart.data(), qsizetype(fracPart.size()));
    }
    return out;
}

} // namespace tarvo
