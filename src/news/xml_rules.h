#pragma once

// The rules of XML that the document preparation and the fast reader must read alike: one
// works on decoded text (QStringView), the other on the UTF-8 bytes (std::string_view).
// Every marker here is ASCII, so a byte and a character compare the same way.

#include <QChar>
#include <QLatin1String>
#include <QStringView>

#include <optional>
#include <string_view>
#include <utility>

namespace tarvo {

namespace xml_text {

inline char32_t unit(char c) {
    return char32_t(static_cast<unsigned char>(c));
}
inline char32_t unit(QChar c) {
    return c.unicode();
}

inline qsizetype find(std::string_view text, std::string_view what, qsizetype from) {
    const size_t at = text.find(what, size_t(from));
    return at == std::string_view::npos ? -1 : qsizetype(at);
}
inline qsizetype find(QStringView text, std::string_view what, qsizetype from) {
    return text.indexOf(QLatin1String(what.data(), qsizetype(what.size())), from);
}

template <typename Text> bool startsAt(Text text, qsizetype at, std::string_view what) {
    if (qsizetype(text.size()) - at < qsizetype(what.size()))
        return false;
    for (size_t k = 0; k < what.size(); ++k)
        if (unit(text[at + qsizetype(k)]) != unit(what[k]))
            return false;
    return true;
}

// White space as the declaration's end of name takes it; the bytes see only ASCII's.
inline bool isSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
inline bool isSpace(QChar c) {
    return c.isSpace();
}

} // namespace xml_text

// Where the XML declaration at the start of the text ends (after its "?>"), or nothing when
// the text opens with none or it never ends. Both drop it: the text is no longer in the
// encoding it names.
template <typename Text> std::optional<qsizetype> xmlDeclarationEnd(Text text) {
    if (!xml_text::startsAt(text, 0, "<?xml") || qsizetype(text.size()) <= 5 ||
        !xml_text::isSpace(text[5]))
        return std::nullopt;
    const qsizetype close = xml_text::find(text, "?>", 0);
    if (close < 0)
        return std::nullopt;
    return close + 2;
}

// Where <!DOCTYPE name ExternalID? [ internal subset ]? > that starts at start ends (after
// its ">"), or nothing when it never does. Both drop it whole: feeds need no DTD.
template <typename Text> std::optional<qsizetype> doctypeEnd(Text text, qsizetype start) {
    using xml_text::find;
    using xml_text::startsAt;
    const qsizetype size = qsizetype(text.size());
    qsizetype i = start + qsizetype(std::string_view("<!DOCTYPE").size());
    bool inSubset = false;
    while (i < size) {
        const char32_t c = xml_text::unit(text[i]);
        if (c == U'"' || c == U'\'') {
            const qsizetype close = find(text, c == U'"' ? "\"" : "'", i + 1);
            if (close < 0)
                return std::nullopt;
            i = close + 1;
        } else if (inSubset && startsAt(text, i, "<!--")) {
            const qsizetype close = find(text, "-->", i + 4);
            if (close < 0)
                return std::nullopt;
            i = close + 3;
        } else if (inSubset && startsAt(text, i, "<?")) {
            const qsizetype close = find(text, "?>", i + 2);
            if (close < 0)
                return std::nullopt;
            i = close + 2;
        } else if (c == U'[' && !inSubset) {
            inSubset = true;
            ++i;
        } else if (c == U']' && inSubset) {
            inSubset = false;
            ++i;
        } else if (c == U'>' && !inSubset) {
            return i + 1;
        } else {
            ++i;
        }
    }
    return std::nullopt;
}

namespace xml_text {
inline bool isReferencePunctuation(char32_t c) {
    return c == U'_' || c == U'-' || c == U'.' || c == U':' || c == U'#';
}
} // namespace xml_text

// A reference name as the entity rewriting reads it: letters, digits and "_-.:#". The
// bytes know only ASCII letters; a name with others ends early there, and the fast reader
// leaves it to the full one.
inline bool isReferenceNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           xml_text::isReferencePunctuation(xml_text::unit(c));
}
inline bool isReferenceNameChar(QChar c) {
    return c.isLetterOrNumber() || xml_text::isReferencePunctuation(xml_text::unit(c));
}

// Where the name of the reference whose "&" is at amp ends: at the first character that
// cannot be in one, or 32 characters on, whichever comes first. A reference is only one
// when a ";" stands there.
template <typename Text> qsizetype referenceNameEnd(Text text, qsizetype amp) {
    constexpr qsizetype kLongest = 32;
    qsizetype end = amp + 1;
    while (end < qsizetype(text.size()) && end - amp <= kLongest && isReferenceNameChar(text[end]))
        ++end;
    return end;
}

// The character of one of XML's five predefined entities, or nothing for any other name.
template <typename Text> std::optional<char> predefinedEntity(Text name) {
    static constexpr std::pair<std::string_view, char> predefined[] = {
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& [n, c] : predefined)
        if (qsizetype(name.size()) == qsizetype(n.size()) && xml_text::startsAt(name, 0, n))
            return c;
    return std::nullopt;
}

} // namespace tarvo
