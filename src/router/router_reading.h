#pragma once

#include <QDateTime>
#include <QString>

#include <cstdint>

namespace tarvo {

// One reading of the home router's own counters, as it answered them: what came in from the
// internet and what went out, for every device behind it. The history stores these and the
// growth worked out from them; it sees nothing else of the router.
struct RouterReading {
    QString udn;  // the router's identity, as its description gives it ("uuid:...")
    QString name; // its friendlyName
    std::uint64_t received = 0;
    std::uint64_t sent = 0;
    // Seconds since the router's WAN connection came up; -1 when it does not say.
    qint64 uptime = -1;
    // Its line's downstream speed in bits per second; 0 when it does not say.
    std::uint64_t lineSpeed = 0;
    QDateTime time; // when the answers came, an instant (UTC)

    bool operator==(const RouterReading&) const = default;
};

} // namespace tarvo
