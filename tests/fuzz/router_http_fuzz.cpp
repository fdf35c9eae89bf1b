// An HTTP answer or an SSDP answer from the LAN: never a crash; an answer read in any split
// reads the same as whole, and never holds or counts more than its limit.
#include "fuzz_support.h"
#include "router/http_exchange.h"
#include "router/router_discovery.h"

#include <QHostAddress>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = fuzz::bytes(data, size);
    // A small limit, so that the fuzzer reaches it.
    constexpr qint64 kMax = 512;
    tarvo::HttpAnswer whole(kMax), split(kMax);
    whole.feed(bytes);
    whole.end();
    const qsizetype cut = bytes.isEmpty() ? 0 : qsizetype(std::uint8_t(bytes[0])) % bytes.size();
    split.feed(QByteArrayView(bytes).first(cut));
    split.feed(QByteArrayView(bytes).sliced(cut));
    split.end();
    fuzz::require(whole.state() == split.state() && whole.body() == split.body() &&
                      whole.status() == split.status(),
                  "the same answer however it is split");
    fuzz::require(whole.state() != tarvo::HttpAnswer::State::More, "over at the end");
    fuzz::require(whole.bytesRead() <= kMax && whole.body().size() <= kMax, "within the limit");
    fuzz::require(whole.state() == tarvo::HttpAnswer::State::Done || whole.body().isEmpty(),
                  "no body kept from a refused answer");

    const std::uint32_t from = 0xC0000201;
    if (const auto url = tarvo::ssdpLocation(bytes, from))
        fuzz::require(url->scheme() == u"http" && QHostAddress(url->host()).toIPv4Address() == from,
                      "a location on the device that answered");
    return 0;
}
