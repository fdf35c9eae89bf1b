#include "router/router_description.h"

#include <QXmlStreamReader>

#include <algorithm>
#include <vector>

namespace tarvo {

namespace {

constexpr int kMaxDepth = 16;
constexpr int kMaxElements = 4000;
constexpr qsizetype kMaxText = 256;

// Names are shown: no control characters, no more than a line's worth.
QString shownText(const QString& text) {
    QString out;
    for (const QChar c : text.trimmed())
        if (!c.isNonCharacter() && c.category() != QChar::Other_Control &&
            c.category() != QChar::Other_Format)
            out += c;
    return out.left(kMaxText);
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
        return refused(why, QStringLiteral("not XML: ") + reader.errorString());

    RouterDescription d;
    d.udn = shownText(udn);
    d.name = shownText(name);
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
            return refused(why, QStringLiteral("a control URL elsewhere than the device: ") +
                                    control.toString().left(200));
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
