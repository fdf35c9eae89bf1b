#include "router/router_description.h"

#include <QXmlStreamReader>

#include <algorithm>
#include <vector>

namespace tarvo {

namespace {

constexpr int kMaxDepth = 16;
constexpr int kMaxElements = 4000;
constexpr qsizetype kMaxText = 256;

constexpr qsizetype kMaxName = 64;

// The length of the code point at i: 2 for a surrogate pair, else 1.
qsizetype pointLength(const QString& text, qsizetype i) {
    return text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
}

// Names are shown as plain text on one line: no control or format characters (the
// bidirectional controls are among them), no line or paragraph separators.
QString shownText(const QString& text) {
    QString out;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = pointLength(text, i);
        const char32_t c =
            n == 2 ? QChar::surrogateToUcs4(text[i], text[i + 1]) : text[i].unicode();
        const QChar::Category category = QChar::category(c);
        if (!QChar::isNonCharacter(c) && category != QChar::Other_Control &&
            category != QChar::Other_Format && category != QChar::Other_Surrogate &&
            category != QChar::Separator_Line && category != QChar::Separator_Paragraph)
            out += QStringView(text).sliced(i, n);
        i += n;
    }
    return out.trimmed();
}

// At most max code points, a longer text cut with "…".
QString shortened(const QString& text, qsizetype max) {
    qsizetype end = 0;
    for (qsizetype points = 0; end < text.size(); ++points) {
        if (points == max - 1) {
            qsizetype rest = 0;
            for (qsizetype j = end; j < text.size() && rest < 2; j += pointLength(text, j))
                ++rest;
            if (rest < 2)
                return text; // exactly max
            return text.left(end).trimmed() + u'\u2026';
        }
        end += pointLength(text, end);
    }
    return text;
}

bool sameOrigin(const QUrl& a, const QUrl& b) {
    return a.scheme() == u"http" && b.scheme() == u"http" &&
           a.host().compare(b.host(), Qt::CaseInsensitive) == 0 && a.port(80) == b.port(80);
}

// "urn:schemas-upnp-org:service:<name>:<version>", nothing else: the type goes into a
// request header and body as it stands.
bool isService(const QString& type, QLatin1StringView name) {
    const QString prefix = QStringLiteral("urn:schemas-upnp-org:service:") + name + u':';
    if (!type.startsWith(prefix))
        return false;
    const QStringView version = QStringView(type).mid(prefix.size());
    return !version.isEmpty() && version.size() <= 3 &&
           std::all_of(version.begin(), version.end(),
                       [](QChar c) { return c >= u'0' && c <= u'9'; });
}

std::optional<RouterDescription> refused(QString* why, const QString& reason) {
    if (why)
        *why = reason;
    return std::nullopt;
}

} // namespace

std::optional<RouterDescription> parseRouterDescription(const QByteArray& xml,
                                                        const QUrl& descriptionUrl, QString* why) {
    QXmlStreamReader reader(xml);
    QStringList path;
    QString urlBase, udn, name;
    struct Found {
        QString type, control;
    };
    std::vector<Found> services;
    int elements = 0;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::DTD)
            return refused(why, QStringLiteral("a DTD in a device description"));
        if (token == QXmlStreamReader::StartElement) {
            if (++elements > kMaxElements)
                return refused(why, QStringLiteral("too many elements"));
            path << reader.name().toString();
            if (path.size() > kMaxDepth)
                return refused(why, QStringLiteral("nested too deep"));
            const QString& here = path.constLast();
            if (here == u"service" && path.size() >= 2 && path[path.size() - 2] == u"serviceList")
                services.push_back({});
            // Only leaf texts are read, so readElementText never meets a child.
            const bool rootDevice = path.size() == 3 && path[0] == u"root" && path[1] == u"device";
            const bool inService =
                path.size() >= 2 && path[path.size() - 2] == u"service" && !services.empty();
            QString* target = nullptr;
            if (path.size() == 2 && path[0] == u"root" && here == u"URLBase")
                target = &urlBase;
            else if (rootDevice && here == u"UDN")
                target = &udn;
            else if (rootDevice && here == u"friendlyName")
                target = &name;
            else if (inService && here == u"serviceType")
                target = &services.back().type;
            else if (inService && here == u"controlURL")
                target = &services.back().control;
            if (target) {
                *target = reader.readElementText(QXmlStreamReader::SkipChildElements).left(2048);
                path.removeLast();
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (!path.isEmpty())
                path.removeLast();
        }
    }
    if (reader.hasError())
        return refused(why, QStringLiteral("not XML"));

    RouterDescription d;
    d.udn = shownText(udn).left(kMaxText);
    d.name = shortened(shownText(name), kMaxName);
    if (d.udn.isEmpty())
        return refused(why, QStringLiteral("no UDN"));
    const QUrl base =
        urlBase.trimmed().isEmpty() ? descriptionUrl : QUrl(urlBase.trimmed(), QUrl::StrictMode);
    bool counters = false;
    for (const Found& s : services) {
        const QString type = s.type.trimmed();
        const bool isCounters = isService(type, QLatin1StringView("WANCommonInterfaceConfig"));
        const bool isConnection = isService(type, QLatin1StringView("WANIPConnection")) ||
                                  isService(type, QLatin1StringView("WANPPPConnection"));
        if ((!isCounters || counters) && (!isConnection || d.connection))
            continue;
        const QUrl control = base.resolved(QUrl(s.control.trimmed(), QUrl::StrictMode));
        if (!control.isValid() || !sameOrigin(control, descriptionUrl))
            return refused(why, QStringLiteral("a control URL elsewhere than the device"));
        if (isCounters) {
            d.counters = {type, control};
            counters = true;
        } else {
            d.connection = RouterService{type, control};
        }
    }
    if (!counters)
        return refused(why, QStringLiteral("no WANCommonInterfaceConfig service"));
    return d;
}

} // namespace tarvo
