#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

namespace tarvo {

// A service of the router: its type as the router names it and where its actions are sent.
struct RouterService {
    QString type;
    QUrl control;
    bool operator==(const RouterService&) const = default;
};

// What Tarvo takes from a router's device description.
struct RouterDescription {
    QString udn;                             // the root device's UDN
    QString name;                            // its friendlyName
    RouterService counters;                  // WANCommonInterfaceConfig
    std::optional<RouterService> connection; // WANIPConnection or WANPPPConnection: the uptime
    bool operator==(const RouterDescription&) const = default;
};

// Reads a description a LAN device sent from descriptionUrl. A device on the LAN is not
// trusted: no DTD, bounded depth and size, and a control URL may only lead back to the host
// and port that answered, over plain HTTP. Refused: nullopt, with the reason in why.
std::optional<RouterDescription>
parseRouterDescription(const QByteArray& xml, const QUrl& descriptionUrl, QString* why = nullptr);

} // namespace tarvo
