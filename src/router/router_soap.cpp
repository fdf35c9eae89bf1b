#include "router/router_soap.h"

#include "common/digits.h"

#include <QXmlStreamReader>

#include <algorithm>
#include <limits>

namespace tarvo {

QByteArray soapEnvelope(const QString& serviceType, const QString& action) {
    return QStringLiteral("<?xml version=\"1.0\"?>\r\n<s:Envelope "
                          "xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\" "
                          "s:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">"
                          "<s:Body><u:%1 xmlns:u=\"%2\"></u:%1></s:Body></s:Envelope>\r\n")
        .arg(action, serviceType.toHtmlEscaped())
        .toUtf8();
}

QByteArray soapActionHeader(const QString& serviceType, const QString& action) {
    return (u'"' + serviceType + u'#' + action + u'"').toUtf8();
}

std::optional<QString> soapValue(const QByteArray& answer, const QString& action,
                                 const QString& argument) {
    QXmlStreamReader reader(answer);
    const QString response = action + QStringLiteral("Response");
    int depth = 0;
    int inResponse = -1; // the depth of the response element, once in it
    bool inBody = false;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::DTD)
            return std::nullopt;
        if (token == QXmlStreamReader::StartElement) {
            if (++depth > 16)
                return std::nullopt;
            const QStringView name = reader.name();
            if (depth == 2 && name == u"Body")
                inBody = true;
            else if (inBody && inResponse < 0 && depth == 3 && name == response)
                inResponse = depth;
            else if (inResponse > 0 && depth == inResponse + 1 && name == argument)
                return reader.readElementText(QXmlStreamReader::IncludeChildElements).left(64);
        } else if (token == QXmlStreamReader::EndElement) {
            if (depth == inResponse)
                inResponse = -1;
            if (depth == 2)
                inBody = false;
            --depth;
        }
    }
    return std::nullopt;
}

std::optional<QString> soapFault(const QByteArray& answer) {
    QXmlStreamReader reader(answer);
    int depth = 0;
    bool fault = false;
    QString code;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::DTD)
            return std::nullopt;
        if (token == QXmlStreamReader::StartElement) {
            if (++depth > 16)
                return std::nullopt;
            if (depth == 3 && reader.name() == u"Fault")
                fault = true;
            else if (fault && reader.name() == u"errorCode") {
                code = reader.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
                --depth;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        }
    }
    if (!fault)
        return std::nullopt;
    // The router's own words are not repeated: its error code only, where it is one.
    const bool number =
        !code.isEmpty() && code.size() <= 4 &&
        std::all_of(code.begin(), code.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    return number ? QStringLiteral("SOAP fault, UPnP error ") + code : QStringLiteral("SOAP fault");
}

std::optional<std::uint64_t> counterValue(const QString& text) {
    if (text.startsWith(u'-')) {
        const auto magnitude = parseDigits(QStringView(text).mid(1), std::uint64_t(1) << 31);
        if (!magnitude || *magnitude == 0)
            return std::nullopt;
        return (std::uint64_t(1) << 32) - *magnitude;
    }
    // 2^63 and above are refused: no router counts that far, and every sum downstream is
    // signed 64-bit.
    return parseDigits(text, std::uint64_t(std::numeric_limits<qint64>::max()));
}

std::optional<qint64> countValue(const QString& text) {
    const auto n = parseDigits(text, std::uint64_t(std::numeric_limits<qint64>::max()));
    if (!n)
        return std::nullopt;
    return qint64(*n);
}

} // namespace tarvo
