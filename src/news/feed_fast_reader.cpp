#include "feed_fast_reader.h"

#include "html_entities.h"
#include "xml_rules.h"

#include <QString>

#include <array>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvo {

namespace {

constexpr int kTokensBetweenCancelChecks = 4096;

using uchar8 = unsigned char;

// Bytes that end a run of plain text: markup, references, the start of "]]>", line ends
// to normalise, control characters, and the lead byte of U+FFFE and U+FFFF (not XML
// characters).
constexpr std::array<bool, 256> makeTextStops() {
    std::array<bool, 256> stops{};
    for (int c = 0; c < 0x20; ++c)
        stops[size_t(c)] = c != '\t' && c != '\n';
    for (const char c : {'<', '&', ']'})
        stops[uchar8(c)] = true;
    stops[0xEF] = true;
    return stops;
}
constexpr std::array<bool, 256> kTextStops = makeTextStops();

bool isNameStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool isNamePart(char c) {
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isXmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

int decimalDigits(char32_t value) {
    int digits = 1;
    while (value >= 10) {
        value /= 10;
        ++digits;
    }
    return digits;
}

class Reader {
public:
    Reader(const QByteArray& text, ListingBuilder& builder, const std::atomic<bool>* cancelled)
        : p_(text.constData()), end_(p_ + text.size()), builder_(builder), cancelled_(cancelled),
          preparedSize_(text.size()) {}

    FastRead run() {
        skipDeclaration();
        if (!prolog() || !element())
            return outcome_;
        while (!open_.empty()) {
            if (++tokens_ % kTokensBetweenCancelChecks == 0 && cancelled_ && cancelled_->load())
                return FastRead::Refused;
            if (p_ >= end_)
                return FastRead::Unsure;
            bool ok;
            if (*p_ != '<')
                ok = text();
            else if (startsWith("</"))
                ok = endTag();
            else if (startsWith("<!--"))
                ok = comment();
            else if (startsWith("<![CDATA["))
                ok = cdata();
            else if (startsWith("<?"))
                ok = instruction();
            else if (startsWith("<!"))
                ok = unsure();
            else
                ok = element();
            if (!ok)
                return outcome_;
        }
        return epilog() ? FastRead::Listed : outcome_;
    }

    qint64 preparedSize() const { return preparedSize_; }

private:
    struct Name {
        std::string_view qualified;
        size_t colon = std::string_view::npos;
        std::string_view prefix() const {
            return colon == std::string_view::npos ? std::string_view()
                                                   : qualified.substr(0, colon);
        }
        std::string_view local() const {
            return colon == std::string_view::npos ? qualified : qualified.substr(colon + 1);
        }
    };

    bool unsure() {
        outcome_ = FastRead::Unsure;
        return false;
    }

    bool refuse() {
        outcome_ = FastRead::Refused;
        return false;
    }

    std::string_view rest() const { return std::string_view(p_, size_t(end_ - p_)); }

    bool startsWith(std::string_view s) const {
        return size_t(end_ - p_) >= s.size() && std::memcmp(p_, s.data(), s.size()) == 0;
    }

    size_t skipBlanks() {
        const char* from = p_;
        while (p_ < end_ && isBlank(*p_))
            ++p_;
        return size_t(p_ - from);
    }

    const char* find(std::string_view s, const char* from) const {
        if (from >= end_)
            return nullptr;
        const size_t at = std::string_view(from, size_t(end_ - from)).find(s);
        return at == std::string_view::npos ? nullptr : from + at;
    }

    // The declaration names the encoding the text was decoded from: dropped unread, as the
    // full reader's preparation drops it.
    void skipDeclaration() {
        if (const std::optional<qsizetype> end = xmlDeclarationEnd(rest())) {
            preparedSize_ -= *end;
            p_ += *end;
        }
    }

    bool prolog() {
        for (;;) {
            skipBlanks();
            if (p_ >= end_ || *p_ != '<')
                return unsure();
            if (startsWith("<!--")) {
                if (!comment())
                    return false;
            } else if (startsWith("<!DOCTYPE")) {
                if (!doctype())
                    return false;
            } else if (startsWith("<?")) {
                if (!instruction())
                    return false;
            } else if (startsWith("<!")) {
                return unsure();
            } else {
                return true;
            }
        }
    }

    bool epilog() {
        for (;;) {
            skipBlanks();
            if (p_ >= end_)
                return true;
            if (startsWith("<!--")) {
                if (!comment())
                    return false;
            } else if (startsWith("<?")) {
                if (!instruction())
                    return false;
            } else {
                return unsure();
            }
        }
    }

    // An ASCII name with at most one colon between two parts; anything else is left to
    // the full reader.
    bool name(Name& out) {
        const char* start = p_;
        if (p_ >= end_ || !isNameStart(*p_))
            return unsure();
        ++p_;
        for (; p_ < end_; ++p_) {
            const char c = *p_;
            if (isNamePart(c))
                continue;
            if (c == ':' && out.colon == std::string_view::npos && p_ + 1 < end_ &&
                isNameStart(p_[1])) {
                out.colon = size_t(p_ - start);
                continue;
            }
            if (uchar8(c) >= 0x80 || c == ':')
                return unsure();
            break;
        }
        out.qualified = std::string_view(start, size_t(p_ - start));
        return true;
    }

    // Characters outside text: only XML characters.
    bool plainCharacters(const char* from, const char* to) {
        for (const char* q = from; q < to; ++q) {
            const uchar8 c = uchar8(*q);
            if (c >= 0x20 && c != 0xEF)
                continue;
            if (c == 0xEF) {
                if (to - q >= 3 && uchar8(q[1]) == 0xBF && uchar8(q[2]) >= 0xBE)
                    return unsure();
                continue;
            }
            if (c != '\t' && c != '\n' && c != '\r')
                return unsure();
        }
        return true;
    }

    // A reference at p_, as the entity rewriting and then the XML reader take it; its
    // character goes to out when there is one to collect into.
    bool reference(QString* out) {
        const char* start = p_ + 1;
        const char* q = p_ + referenceNameEnd(rest(), 0);
        if (q >= end_ || *q != ';' || q == start)
            return unsure(); // other characters, a name too long, or none: not ours to judge
        const std::string_view name(start, size_t(q - start));
        char32_t code = 0;
        bool found = false;
        if (const std::optional<char> c = predefinedEntity(name)) {
            code = char32_t(*c);
            found = true;
        }
        if (!found && name[0] == '#') {
            const bool hex = name.size() > 1 && name[1] == 'x';
            const std::string_view digits = name.substr(hex ? 2 : 1);
            if (digits.empty() || digits.size() > 8)
                return unsure();
            for (const char c : digits) {
                int value;
                if (c >= '0' && c <= '9')
                    value = c - '0';
                else if (hex && c >= 'a' && c <= 'f')
                    value = c - 'a' + 10;
                else if (hex && c >= 'A' && c <= 'F')
                    value = c - 'A' + 10;
                else
                    return unsure();
                code = code * (hex ? 16 : 10) + char32_t(value);
            }
            // Control characters by reference are rare enough to leave to the full reader.
            if (code < 0x20 || !isXmlChar(code))
                return unsure();
            found = true;
        } else if (!found) {
            const std::optional<char32_t> html =
                htmlEntityCodePoint(QString::fromLatin1(name.data(), qsizetype(name.size())));
            if (!html)
                return unsure();
            code = *html;
            // The rewriting writes it as "&#<decimal>;".
            preparedSize_ += (3 + decimalDigits(code)) - qint64(name.size() + 2);
        }
        // As UTF-16 by hand: QString::fromUcs4 would drop a U+FEFF as a byte order mark.
        if (out) {
            const char16_t pair[] = {QChar::highSurrogate(code), QChar::lowSurrogate(code)};
            if (QChar::requiresSurrogates(code))
                out->append(QStringView(pair, 2));
            else
                out->append(QChar(char16_t(code)));
        }
        p_ = q + 1;
        return true;
    }

    bool element() {
        ++p_; // '<'
        Name tag;
        if (!name(tag))
            return false;
        attributes_.clear();
        declared_.clear();
        bool defaultDeclared = false;
        bool selfClosing = false;
        for (;;) {
            const bool blank = skipBlanks() > 0;
            if (p_ >= end_)
                return unsure();
            if (*p_ == '>') {
                ++p_;
                break;
            }
            if (*p_ == '/') {
                if (p_ + 1 >= end_ || p_[1] != '>')
                    return unsure();
                p_ += 2;
                selfClosing = true;
                break;
            }
            Name attribute;
            if (!blank || !name(attribute))
                return unsure();
            skipBlanks();
            if (p_ >= end_ || *p_ != '=')
                return unsure();
            ++p_;
            skipBlanks();
            if (p_ >= end_ || (*p_ != '"' && *p_ != '\''))
                return unsure();
            const char quote = *p_++;
            const char* valueStart = p_;
            if (!attributeValue(quote))
                return false;
            const bool emptyValue = p_ - 1 == valueStart;
            if (attribute.qualified == "xmlns") {
                if (defaultDeclared)
                    return unsure();
                defaultDeclared = true;
            } else if (attribute.prefix() == "xmlns") {
                const std::string_view prefix = attribute.local();
                if (emptyValue || prefix == "xml" || prefix == "xmlns")
                    return unsure();
                // Checked against each other below: too many are left to the full reader,
                // whose check is linear.
                if (int(declared_.size()) >= builder_.limits().maxAttributesPerTag)
                    return unsure();
                for (const std::string_view other : declared_)
                    if (other == prefix)
                        return unsure();
                declared_.push_back(prefix);
            } else {
                // More than the reader takes: refused whatever else the tag holds, before
                // the quadratic check for repeated names below.
                if (int(attributes_.size()) >= builder_.limits().maxAttributesPerTag)
                    return refuse();
                attributes_.push_back(attribute);
            }
        }

        const int depth = int(open_.size()) + 1;
        for (const std::string_view prefix : declared_)
            scopes_.emplace_back(prefix, depth);
        if (!inScope(tag.prefix(), false))
            return unsure();
        for (size_t i = 0; i < attributes_.size(); ++i) {
            const Name& a = attributes_[i];
            if (!inScope(a.prefix(), true))
                return unsure();
            for (size_t j = 0; j < i; ++j) {
                const Name& b = attributes_[j];
                // The same name twice, or the same local name under two prefixes that may
                // stand for one namespace.
                if (a.qualified == b.qualified ||
                    (!a.prefix().empty() && !b.prefix().empty() && a.local() == b.local()))
                    return unsure();
            }
        }
        if (!builder_.startElement(builder_.kindOf(tag.qualified), qsizetype(attributes_.size())))
            return refuse();
        open_.push_back(tag.qualified);
        if (selfClosing)
            close();
        return true;
    }

    bool inScope(std::string_view prefix, bool attribute) const {
        if (prefix.empty())
            return true;
        if (prefix == "xml")
            return attribute;
        for (auto it = scopes_.rbegin(); it != scopes_.rend(); ++it)
            if (it->first == prefix)
                return true;
        return false;
    }

    // From after the opening quote to after the closing one.
    bool attributeValue(char quote) {
        while (p_ < end_) {
            const char c = *p_;
            if (c == quote) {
                ++p_;
                return true;
            }
            if (c == '<')
                return unsure();
            if (c == '&') {
                if (!reference(nullptr))
                    return false;
                continue;
            }
            if (c == ']') {
                if (startsWith("]]>"))
                    return unsure();
            } else if (kTextStops[uchar8(c)] && c != '\r') {
                if (!plainCharacters(p_, std::min(p_ + 3, end_)))
                    return false;
            }
            ++p_;
        }
        return unsure();
    }

    void close() {
        builder_.endElement();
        open_.pop_back();
        const int depth = int(open_.size());
        while (!scopes_.empty() && scopes_.back().second > depth)
            scopes_.pop_back();
    }

    bool endTag() {
        p_ += 2;
        Name tag;
        if (!name(tag))
            return false;
        skipBlanks();
        if (p_ >= end_ || *p_ != '>' || tag.qualified != open_.back())
            return unsure();
        ++p_;
        close();
        return true;
    }

    bool comment() {
        const char* dashes = find("--", p_ + 4);
        if (!dashes || dashes + 2 >= end_ || dashes[2] != '>')
            return unsure();
        if (!plainCharacters(p_ + 4, dashes))
            return false;
        p_ = dashes + 3;
        return builder_.comment() || refuse();
    }

    bool instruction() {
        p_ += 2;
        Name target;
        if (!name(target))
            return false;
        const std::string_view t = target.qualified;
        if (target.colon != std::string_view::npos ||
            (t.size() == 3 && (t[0] | 0x20) == 'x' && (t[1] | 0x20) == 'm' && (t[2] | 0x20) == 'l'))
            return unsure();
        if (!startsWith("?>")) {
            if (skipBlanks() == 0)
                return unsure();
            const char* close = find("?>", p_);
            if (!close || !plainCharacters(p_, close))
                return unsure();
            p_ = close;
        }
        p_ += 2;
        return builder_.comment() || refuse();
    }

    bool cdata() {
        const char* content = p_ + 9;
        const char* close = find("]]>", content);
        if (!close || !plainCharacters(content, close))
            return unsure();
        p_ = close + 3;
        if (!builder_.collecting())
            return true;
        QString text;
        appendNormalised(text, content, close);
        return builder_.characters(text) || refuse();
    }

    // UTF-8 as it stands: QString::fromUtf8 drops a U+FEFF that opens its bytes, as a byte
    // order mark, where in text it is a character like any other.
    static void appendUtf8(QString& out, const char* from, const char* to) {
        while (to - from >= 3 && std::memcmp(from, "\xEF\xBB\xBF", 3) == 0) {
            out.append(QChar(0xFEFF));
            from += 3;
        }
        out.append(QString::fromUtf8(from, to - from));
    }

    // UTF-8 with line ends made "\n", as the XML reader gives text.
    static void appendNormalised(QString& out, const char* from, const char* to) {
        while (from < to) {
            const char* cr = static_cast<const char*>(std::memchr(from, '\r', size_t(to - from)));
            const char* stop = cr ? cr : to;
            appendUtf8(out, from, stop);
            if (!cr)
                return;
            out.append(u'\n');
            from = cr + 1 < to && cr[1] == '\n' ? cr + 2 : cr + 1;
        }
    }

    bool text() {
        const bool collecting = builder_.collecting();
        QString collected;
        const char* run = p_;
        while (p_ < end_) {
            while (p_ < end_ && !kTextStops[uchar8(*p_)])
                ++p_;
            if (p_ >= end_)
                break;
            const char c = *p_;
            if (c == '<')
                break;
            if (c == '&') {
                if (collecting)
                    appendNormalised(collected, run, p_);
                if (!reference(collecting ? &collected : nullptr))
                    return false;
                run = p_;
                continue;
            }
            if (c == ']') {
                if (startsWith("]]>"))
                    return unsure();
            } else if (c != '\r') {
                if (!plainCharacters(p_, std::min(p_ + 3, end_)))
                    return false;
            }
            ++p_;
        }
        if (!collecting)
            return true;
        appendNormalised(collected, run, p_);
        return builder_.characters(collected) || refuse();
    }

    // The document type declaration, dropped whole as the full reader's preparation drops it.
    bool doctype() {
        const std::optional<qsizetype> end = doctypeEnd(rest(), 0);
        if (!end)
            return unsure();
        preparedSize_ -= *end;
        p_ += *end;
        return true;
    }

    const char* p_;
    const char* const end_;
    ListingBuilder& builder_;
    const std::atomic<bool>* cancelled_;
    qint64 preparedSize_;
    FastRead outcome_ = FastRead::Unsure;
    int tokens_ = 0;
    std::vector<std::string_view> open_; // names of the open elements, outermost first
    std::vector<std::pair<std::string_view, int>> scopes_; // declared prefixes, their depth
    std::vector<Name> attributes_;                         // of the tag being read
    std::vector<std::string_view> declared_;               // prefixes the tag being read declares
};

} // namespace

FastRead readFeedFast(const QByteArray& utf8, ListingBuilder& builder,
                      const std::atomic<bool>* cancelled, qint64& preparedSize) {
    Reader reader(utf8, builder, cancelled);
    const FastRead outcome = reader.run();
    preparedSize = reader.preparedSize();
    return outcome;
}

} // namespace tarvo
