#include "traffic/counted_record.h"

#include <charconv>

namespace tarvo {

namespace {

constexpr size_t kMaxLinks = 4096;
constexpr size_t kMaxField = 256;

bool plainByte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-';
}

std::string encodeName(std::string_view name) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : name) {
        if (plainByte(c)) {
            out += char(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<std::string> decodeName(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            if (!plainByte(static_cast<unsigned char>(text[i])))
                return std::nullopt;
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        const int high = hexValue(text[i + 1]);
        const int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        out += char(high * 16 + low);
        i += 2;
    }
    if (out.empty())
        return std::nullopt;
    return out;
}

// The space-separated words of a line; false when there are not exactly count of them.
bool splitWords(std::string_view line, std::string_view* words, size_t count) {
    size_t n = 0;
    size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ') {
            ++i;
            continue;
        }
        size_t end = line.find(' ', i);
        if (end == std::string_view::npos)
            end = line.size();
        if (n == count || end - i > kMaxField)
            return false;
        words[n++] = line.substr(i, end - i);
        i = end;
    }
    return n == count;
}

template <typename T> bool parseNumber(std::string_view text, T& value) {
    const auto res = std::from_chars(text.data(), text.data() + text.size(), value);
    return res.ec == std::errc() && res.ptr == text.data() + text.size();
}

} // namespace

std::string formatCountedRecord(const CountedRecord& record) {
    if (record.bootId.empty())
        return {};
    std::string out = "boot " + encodeName(record.bootId) + "\r\n";
    for (const LinkCounters& link : record.links) {
        out += "link " + encodeName(link.name) + ' ' + std::to_string(link.ifindex) + ' ' +
               std::to_string(link.in) + ' ' + std::to_string(link.out) + "\r\n";
    }
    return out;
}

std::optional<CountedRecord> parseCountedRecord(std::string_view text) {
    CountedRecord record;
    bool sawBoot = false;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        if (!sawBoot) {
            std::string_view w[2];
            if (!splitWords(line, w, 2) || w[0] != "boot")
                return std::nullopt;
            auto id = decodeName(w[1]);
            if (!id)
                return std::nullopt;
            record.bootId = std::move(*id);
            sawBoot = true;
            continue;
        }
        std::string_view w[5];
        if (!splitWords(line, w, 5) || w[0] != "link" || record.links.size() >= kMaxLinks)
            return std::nullopt;
        LinkCounters link;
        auto name = decodeName(w[1]);
        if (!name || !parseNumber(w[2], link.ifindex) || !parseNumber(w[3], link.in) ||
            !parseNumber(w[4], link.out))
            return std::nullopt;
        link.name = std::move(*name);
        record.links.push_back(std::move(link));
    }
    if (!sawBoot)
        return std::nullopt;
    return record;
}

} // namespace tarvo
