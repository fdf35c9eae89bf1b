// A SOAP answer from the LAN and the numbers in it: never a crash; a counter read is digits,
// or a negative 32-bit one, and reads back to itself.
#include "fuzz_support.h"
#include "router/http_exchange.h"
#include "router/router_soap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The SOAP body itself, or a whole HTTP answer carrying it, with its headers and chunks.
    QByteArray answer = fuzz::bytes(data, size);
    if (answer.startsWith("HTTP/")) {
        tarvo::HttpAnswer http;
        http.feed(answer);
        http.end();
        answer = http.body();
    }
    if (const auto fault = tarvo::soapFault(answer))
        fuzz::require(fault->size() <= 40, "a fault told in a few words of ours");
    const auto text = tarvo::soapValue(answer, QStringLiteral("GetTotalBytesReceived"),
                                       QStringLiteral("NewTotalBytesReceived"));
    fuzz::require(!text || text->size() <= 64, "a bounded value");
    const QString raw = fuzz::text(data, size);
    if (const auto n = tarvo::counterValue(raw)) {
        fuzz::require(*n < (std::uint64_t(1) << 63), "a counter below 2^63");
        if (raw.startsWith(u'-'))
            fuzz::require(*n >= (std::uint64_t(1) << 31) && *n < (std::uint64_t(1) << 32),
                          "a negative counter is a 32-bit one past 2 GiB");
        else
            fuzz::require(QString::number(*n) == raw.mid(raw.size() - QString::number(*n).size()),
                          "the digits read");
    }
    if (const auto n = tarvo::countValue(raw))
        fuzz::require(*n >= 0, "a count is never negative");
    return 0;
}
