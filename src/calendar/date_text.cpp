#include "calendar/date_text.h"

namespace tarvo {

namespace {

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Reads minDigits..maxDigits ASCII digits at pos; nothing for fewer or more.
std::optional<int> readNumber(QStringView text, qsizetype& pos, int minDigits, int maxDigits) {
    int value = 0;
    int digits = 0;
    while (pos < text.size() && isAsciiDigit(text[pos])) {
        if (++digits > maxDigits)
            return std::nullopt;
        value = value * 10 + (text[pos].unicode() - u'0');
        ++pos;
    }
    if (digits < minDigits)
        return std::nullopt;
    return value;
}

bool readSeparator(QStringView text, qsizetype& pos) {
    if (pos >= text.size() || text[pos] != u'/')
        return false;
    ++pos;
    return true;
}

QString padded(int value, int width) {
    return QString::number(value).rightJustified(width, u'0');
}

} // namespace

std::optional<CalendarDate> readDateText(QStringView text) {
    text = text.trimmed();
    qsizetype pos = 0;
    const auto day = readNumber(text, pos, 1, 2);
    if (!day || !readSeparator(text, pos))
        return std::nullopt;
    const auto month = readNumber(text, pos, 1, 2);
    if (!month || !readSeparator(text, pos))
        return std::nullopt;
    const auto year = readNumber(text, pos, 4, 4);
    if (!year || pos != text.size())
        return std::nullopt;
    return CalendarDate{*year, *month, *day};
}

std::optional<QString> writeDateText(const CalendarDate& date, QStringView pattern) {
    QString out;
    qsizetype pos = 0;
    while (pos < pattern.size()) {
        const QChar letter = pattern[pos].toLower();
        if (letter != u'd' && letter != u'm' && letter != u'y') {
            out += pattern[pos++];
            continue;
        }
        qsizetype run = 0;
        while (pos + run < pattern.size() && pattern[pos + run].toLower() == letter)
            ++run;
        pos += run;
        if (letter == u'd' && run <= 2) {
            out += padded(date.day, int(run));
        } else if (letter == u'm' && run <= 2) {
            out += padded(date.month, int(run));
        } else if (letter == u'y' && run == 2) {
            out += padded(date.year % 100, 2);
        } else if (letter == u'y' && run == 4 && date.year >= 0 && date.year <= 9999) {
            out += padded(date.year, 4);
        } else {
            return std::nullopt;
        }
    }
    return out;
}

} // namespace tarvo
