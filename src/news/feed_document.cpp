#include "feed_document.h"

#include "html_entities.h"

#include <QRegularExpression>
#include <QString>
#include <QStringDecoder>

namespace tarvo {

namespace {

std::optional<QString> decodeDocument(const QByteArray& bytes) {
    auto startsWith = [&](const char* prefix, qsizetype n) {
        return bytes.size() >= n && std::equal(prefix, prefix + n, bytes.constData());
    };
    QStringDecoder decoder;
    QByteArray body = bytes;
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
        QString encoding = QStringLiteral("UTF-8");
        if (bytes.startsWith("<?xml")) {
            const qsizetype end = bytes.indexOf("?>");
            if (end < 0)
                return std::nullopt;
            static const QRegularExpression pattern(
                QStringLiteral("\\sencoding\\s*=\\s*([\"'])([A-Za-z][A-Za-z0-9._-]*)\\1"));
            const auto match = pattern.match(QString::fromLatin1(bytes.left(end)));
            if (match.hasMatch())
                encoding = match.captured(2);
        }
        decoder = QStringDecoder(encoding.toLatin1().constData(), QStringDecoder::Flag::Stateless);
    }
    if (!decoder.isValid())
        return std::nullopt;
    QString text = decoder(body);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'-' || c == u'.' || c == u':' || c == u'#';
}

class Preparer {
public:
    explicit Preparer(QStringView in) : in_(in) { out_.reserve(in.size()); }

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
        if (in_.startsWith(u"<?xml") && in_.size() > 5 && in_[5].isSpace()) {
            const qsizetype end = in_.indexOf(u"?>");
            if (end >= 0)
                pos_ = end + 2;
        }
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

    // Attribute values are copied with their HTML entities turned into references.
    bool startTag() {
        QChar quote;
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
            if (c == u'"' || c == u'\'')
                quote = c;
            else if (c == u'>')
                break;
        }
        if (i >= in_.size())
            return false;
        out_ += in_.sliced(pos_, i + 1 - pos_);
        pos_ = i + 1;
        return true;
    }

    bool entity() {
        qsizetype end = pos_ + 1;
        while (end < in_.size() && end - pos_ <= 32 && isNameChar(in_[end]))
            ++end;
        if (end < in_.size() && in_[end] == u';') {
            const QStringView name = in_.sliced(pos_ + 1, end - pos_ - 1);
            const bool predefined = name == u"amp" || name == u"lt" || name == u"gt" ||
                                    name == u"quot" || name == u"apos";
            if (!predefined) {
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

    // <!DOCTYPE name ExternalID? [ internal subset ]? >, dropped whole.
    bool skipDoctype() {
        qsizetype i = pos_ + 9;
        bool inSubset = false;
        while (i < in_.size()) {
            const QChar c = in_[i];
            if (c == u'"' || c == u'\'') {
                const qsizetype close = in_.indexOf(c, i + 1);
                if (close < 0)
                    return false;
                i = close + 1;
            } else if (inSubset && in_.sliced(i).startsWith(u"<!--")) {
                const qsizetype close = in_.indexOf(u"-->", i + 4);
                if (close < 0)
                    return false;
                i = close + 3;
            } else if (inSubset && in_.sliced(i).startsWith(u"<?")) {
                const qsizetype close = in_.indexOf(u"?>", i + 2);
                if (close < 0)
                    return false;
                i = close + 2;
            } else if (c == u'[' && !inSubset) {
                inSubset = true;
                ++i;
            } else if (c == u']' && inSubset) {
                inSubset = false;
                ++i;
            } else if (c == u'>' && !inSubset) {
                pos_ = i + 1;
                return true;
            } else {
                ++i;
            }
        }
        return false;
    }

    QStringView in_;
    QString out_;
    qsizetype pos_ = 0;
};

} // namespace

std::optional<QByteArray> prepareFeedDocument(const QByteArray& bytes) {
    const std::optional<QString> text = decodeDocument(bytes);
    if (!text)
        return std::nullopt;
    const std::optional<QString> prepared = Preparer(*text).run();
    if (!prepared)
        return std::nullopt;
    return prepared->toUtf8();
}

} // namespace tarvo
