// A device description from the LAN: never a crash, and never a control URL away from the
// device that answered.
#include "fuzz_support.h"
#include "router/http_exchange.h"
#include "router/router_description.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QUrl from(QStringLiteral("http://192.0.2.1:5000/rootDesc.xml"));
    // Either the description itself or a whole HTTP answer carrying it, with its headers and
    // chunks.
    QByteArray xml = fuzz::bytes(data, size);
    if (xml.startsWith("HTTP/")) {
        tarvo::HttpAnswer answer;
        answer.feed(xml);
        answer.end();
        xml = answer.body();
    }
    const auto d = tarvo::parseRouterDescription(xml, from);
    if (d)
        fuzz::require(d->name.toUcs4().size() <= 64 && !d->name.contains(u'\u2028') &&
                          !d->name.contains(u'\u202e'),
                      "a name of one plain line, at most 64 code points");
    if (d) {
        fuzz::require(!d->udn.isEmpty() && d->udn.size() <= 256, "a UDN of 1 to 256 characters");
        fuzz::require(d->counters.control.host() == from.host() &&
                          d->counters.control.port(80) == 5000,
                      "the counters' control URL on the device");
        fuzz::require(!d->connection || d->connection->control.host() == from.host(),
                      "the connection's control URL on the device");
        fuzz::require(!d->counters.type.contains(u'\r') && !d->counters.type.contains(u'"'),
                      "a service type fit for a header");
    }
    return 0;
}
