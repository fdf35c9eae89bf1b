#include "feed_document.h"

#include "common/code_pages.h"
#include "html_entities.h"
#include "xml_rules.h"

#include <QString>
#include <QStringDecoder>

#include <cstdint>
#include <cstring>

namespace tarvo {

namespace {

// The transport's charset where the document names none; one the decoder does not know
// is taken for UTF-8, since servers often name it wrongly.
QString transportEncoding(const QByteArray& charset) {
    const QString name = QString::fromLatin1(charset).trimmed();
    if (name.isEmpty() ||
        (!QStringDecoder(name.toLatin1().constData()).isValid() && !isArabicCodePageName(name)))
        return QStringLiteral("UTF-8");
    return name;
}

bool isXmlBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Blanks before the XML declaration are not well-formed, but common: feeds built by
// templates often begin with a line break.
qsizetype blanksBeforeDeclaration(QByteArrayView bytes) {
    qsizetype i = 0;
    while (i < bytes.size() && isXmlBlank(bytes[i]))
        ++i;
    return i > 0 && bytes.sliced(i).startsWith("<?xml") ? i : 0;
}

// The encoding the declaration at the start names; empty when there is no declaration or
// it names none, nothing when the declaration never ends.
std::optional<QString> declaredEncoding(QByteArrayView bytes) {
    if (!bytes.startsWith("<?xml"))
        return QString();
    const qsizetype end = bytes.indexOf(QByteArrayView("?>"));
    if (end < 0)
        return std::nullopt;
    // Read by hand, not with a regular expression: this runs on the parse thread, and the
    // expression engine's per-thread stack crashes that thread's end on Windows.
    const QByteArrayView declaration = bytes.first(end);
    const auto isBlank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    const auto isAlpha = [](char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; };
    const auto skipBlanks = [&](qsizetype i) {
        while (i < declaration.size() && isBlank(declaration[i]))
            ++i;
        return i;
    };
    constexpr QByteArrayView keyword("encoding");
    for (qsizetype at = declaration.indexOf(keyword); at > 0;
         at = declaration.indexOf(keyword, at + 1)) {
        if (!isBlank(declaration[at - 1]))
            continue;
        qsizetype i = skipBlanks(at + keyword.size());
        if (i >= declaration.size() || declaration[i] != '=')
            continue;
        i = skipBlanks(i + 1);
        if (i >= declaration.size() || (declaration[i] != '"' && declaration[i] != '\''))
            continue;
        const char quote = declaration[i];
        const qsizetype start = ++i;
        if (i >= declaration.size() || !isAlpha(declaration[i]))
            continue;
        while (i < declaration.size() &&
               (isAlpha(declaration[i]) || (declaration[i] >= '0' && declaration[i] <= '9') ||
                declaration[i] == '.' || declaration[i] == '_' || declaration[i] == '-'))
            ++i;
        if (i < declaration.size() && declaration[i] == quote)
            return QString::fromLatin1(declaration.sliced(start, i - start));
    }
    return QString();
}

// Well-formed UTF-8 as the Qt decoder takes it: no overlong forms, surrogates or code
// points past U+10FFFF, nothing cut short.
bool isUtf8(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        // Eight ASCII bytes at a time: feeds are mostly markup.
        if (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            if ((word & 0x8080808080808080ull) == 0) {
                p += 8;
                continue;
            }
        }
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int length;
        unsigned char low = 0x80, high = 0xBF; // the range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            if (c == 0xE0)
                low = 0xA0;
            else if (c == 0xED)
                high = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            if (c == 0xF0)
                low = 0x90;
            else if (c == 0xF4)
                high = 0x8F;
        } else {
            return false;
        }
        if (end - p < length || p[1] < low || p[1] > high)
            return false;
        for (int k = 2; k < length; ++k)
            if ((p[k] & 0xC0) != 0x80)
                return false;
        p += length;
    }
    return true;
}

bool isUtf8Name(const QString& encoding) {
    return encoding.compare(u"UTF-8", Qt::CaseInsensitive) == 0;
}

// The general decoder: byte-order marks, UTF-16, and every encoding the declaration or the
// transport names. Gives the text as UTF-8.
std::optional<QByteArray> decodeThroughQt(const QByteArray& bytes, const QByteArray& charset) {
    auto startsWith = [&](const char* prefix, qsizetype n) {
        return bytes.size() >= n && std::equal(prefix, prefix + n, bytes.constData());
    };
    QStringDecoder decoder;
    QByteArray body = bytes;
    std::optional<QString> decoded;
    if (startsWith("\xEF\xBB\xBF", 3)) {
        decoder = QStringDecoder(QStringDecoder::Utf8);
        body = bytes.mid(3);
    } else if (startsWith("\xFF\xFE\0\0", 4) || startsWith("\0\0\xFE\xFF", 4)) {
        return std::nullopt; // UTF-32 is not a feed encoding
    } else if (startsWith("\xFF\xFE", 2) || startsWith("<\0?\0", 4)) {
        decoder = QStringDecoder(QStringDecoder::Utf16LE);
        body = startsWith("\xFF\xFE", 2) ? bytes.mid(2) : bytes;
    } else if (startsWith("\xFE\xFF", 2) || startsWith("\0<\0?", 4)) {
        decoder = QStringDecoder(QStringDecoder::Utf16BE);
        body = startsWith("\xFE\xFF", 2) ? bytes.mid(2) : bytes;
    } else {
        body = bytes.mid(blanksBeforeDeclaration(bytes));
        const std::optional<QString> declared = declaredEncoding(body);
        if (!declared)
            return std::nullopt;
        const QString encoding = declared->isEmpty() ? transportEncoding(charset) : *declared;
        decoder = QStringDecoder(encoding.toLatin1().constData(), QStringDecoder::Flag::Stateless);
        if (!decoder.isValid()) {
            decoded = decodeNamedArabicCodePage(encoding, body);
            if (!decoded)
                return std::nullopt;
        }
    }
    if (!decoded) {
        decoded = decoder(body);
        if (decoder.hasError())
            return std::nullopt;
    }
    QString& text = *decoded;
    qsizetype blanks = 0;
    while (blanks < text.size() && text[blanks].unicode() < 0x80 &&
           isXmlBlank(char(text[blanks].unicode())))
        ++blanks;
    if (blanks > 0 && QStringView(text).sliced(blanks).startsWith(u"<?xml"))
        text.remove(0, blanks);
    return text.toUtf8();
}

class Preparer {
public:
    Preparer(QStringView in, int maxAttributesPerTag)
        : in_(in), maxAttributes_(maxAttributesPerTag) {
        out_.reserve(in.size());
    }

    std::optional<QString> run() {
        skipXmlDeclaration();
        while (pos_ < in_.size()) {
            const qsizetype next = nextSpecial(pos_);
            out_ += in_.sliced(pos_, next - pos_);
            pos_ = next;
            if (pos_ >= in_.size())
                break;
            const bool ok = in_[pos_] == u'&' ? entity() : markup();
            if (!ok)
                return std::nullopt;
        }
        return std::move(out_);
    }

private:
    qsizetype nextSpecial(qsizetype from) const {
        while (from < in_.size() && in_[from] != u'<' && in_[from] != u'&')
            ++from;
        return from;
    }

    bool at(QStringView s) const { return in_.sliced(pos_).startsWith(s); }

    // The declaration names the encoding the text was decoded from; the output is UTF-8.
    void skipXmlDeclaration() {
        if (const std::optional<qsizetype> end = xmlDeclarationEnd(in_))
            pos_ = *end;
    }

    // Copies everything up to and including the terminator, untouched. The terminator is
    // looked for after the opening (opening characters), as XML reads it: "<!-->" opens a
    // comment that "-->" at its own end does not close.
    bool copyThrough(qsizetype opening, QStringView terminator) {
        const qsizetype end = in_.indexOf(terminator, pos_ + opening);
        if (end < 0)
            return false;
        const qsizetype stop = end + terminator.size();
        out_ += in_.sliced(pos_, stop - pos_);
        pos_ = stop;
        return true;
    }

    bool markup() {
        if (at(u"<!--"))
            return copyThrough(4, u"-->");
        if (at(u"<![CDATA["))
            return copyThrough(9, u"]]>");
        if (at(u"<!DOCTYPE"))
            return skipDoctype();
        if (at(u"<?"))
            return copyThrough(2, u"?>");
        if (at(u"</"))
            return copyThrough(2, u">");
        return startTag();
    }

    // Whether the attribute whose value opens at the quote is a namespace declaration: the
    // XML reader does not list those among the attributes, nor may they count here.
    bool declaresNamespace(qsizetype quote) const {
        qsizetype i = quote - 1;
        while (i > pos_ && in_[i].isSpace())
            --i;
        if (i <= pos_ || in_[i] != u'=')
            return false;
        --i;
        while (i > pos_ && in_[i].isSpace())
            --i;
        const qsizetype end = i + 1;
        while (i > pos_ && !in_[i].isSpace())
            --i;
        const QStringView name = in_.sliced(i + 1, end - i - 1);
        return name == u"xmlns" || name.startsWith(u"xmlns:");
    }

    // Attribute values are copied with their HTML entities turned into references. A tag
    // with more attributes than the reader takes is refused here: the XML reader checks
    // each attribute against all before it, which takes minutes for a tag of a million.
    bool startTag() {
        QChar quote;
        int attributes = 0;
        qsizetype i = pos_ + 1;
        for (; i < in_.size(); ++i) {
            const QChar c = in_[i];
            if (!quote.isNull()) {
                if (c == quote)
                    quote = QChar();
                else if (c == u'&') {
                    out_ += in_.sliced(pos_, i - pos_);
                    pos_ = i;
                    if (!entity())
                        return false;
                    i = pos_ - 1;
                }
                continue;
            }
            if (c == u'"' || c == u'\'') {
                quote = c;
                if (!declaresNamespace(i) && ++attributes > maxAttributes_)
                    return false;
            } else if (c == u'>') {
                break;
            }
        }
        if (i >= in_.size())
            return false;
        out_ += in_.sliced(pos_, i + 1 - pos_);
        pos_ = i + 1;
        return true;
    }

    bool entity() {
        const qsizetype end = referenceNameEnd(in_, pos_);
        if (end < in_.size() && in_[end] == u';') {
            const QStringView name = in_.sliced(pos_ + 1, end - pos_ - 1);
            if (!predefinedEntity(name)) {
                if (const auto code = htmlEntityCodePoint(name)) {
                    out_ += QStringLiteral("&#%1;").arg(uint(*code));
                    pos_ = end + 1;
                    return true;
                }
            }
        }
        // Everything else is the parser's to accept or refuse.
        out_ += in_[pos_];
        ++pos_;
        return true;
    }

    bool skipDoctype() {
        const std::optional<qsizetype> end = doctypeEnd(in_, pos_);
        if (!end)
            return false;
        pos_ = *end;
        return true;
    }

    QStringView in_;
    const int maxAttributes_;
    QString out_;
    qsizetype pos_ = 0;
};

} // namespace

std::optional<QByteArray> decodeFeedDocument(const QByteArray& bytes, const QByteArray& charset) {
    // The common case, UTF-8 named or taken by default, is checked in place, not copied.
    if (!bytes.startsWith("\xEF\xBB\xBF") && !bytes.startsWith("\xFF\xFE") &&
        !bytes.startsWith("\xFE\xFF") && !bytes.startsWith(QByteArrayView("<\0?\0", 4)) &&
        !bytes.startsWith(QByteArrayView("\0<\0?", 4))) {
        const qsizetype blanks = blanksBeforeDeclaration(bytes);
        const QByteArrayView body = QByteArrayView(bytes).sliced(blanks);
        const std::optional<QString> declared = declaredEncoding(body);
        if (!declared)
            return std::nullopt;
        const QString encoding = declared->isEmpty() ? transportEncoding(charset) : *declared;
        if (isUtf8Name(encoding) && isUtf8(body))
            return blanks > 0 ? bytes.sliced(blanks) : bytes;
    }
    return decodeThroughQt(bytes, charset);
}

std::optional<QByteArray> prepareFeedDocument(const QByteArray& utf8, int maxAttributesPerTag) {
    const std::optional<QString> prepared =
        Preparer(QString::fromUtf8(utf8), maxAttributesPerTag).run();
    if (!prepared)
        return std::nullopt;
    return prepared->toUtf8();
}

} // namespace tarvo
