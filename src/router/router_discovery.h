#pragma once

#include <QList>
#include <QUrl>

#include <functional>
#include <memory>

namespace tarvo {

// Asks the LAN which devices are Internet gateways, answering the addresses of their
// descriptions. Never blocks its caller: the answer comes later, on the caller's thread.
class RouterDiscovery {
public:
    virtual ~RouterDiscovery() = default;
    virtual void discover(std::function<void(QList<QUrl>)> done) = 0;
};

// SSDP, one search of about 2 s on a thread of its own; at most 32 distinct descriptions.
std::unique_ptr<RouterDiscovery> makeSsdpDiscovery();

// The platform's socket layer made ready before the first search (Windows asks for it).
void startSockets();

} // namespace tarvo
