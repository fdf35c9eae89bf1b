#pragma once

#include <QByteArrayView>
#include <QList>
#include <QUrl>

#include <cstdint>
#include <memory>
#include <optional>

namespace tarvo {

// A device's answer to the search: where its description is, on the address that answered.
struct SsdpAnswer {
    std::uint32_t from = 0; // IPv4, host order
    QUrl location;
    bool operator==(const SsdpAnswer&) const = default;
};

struct SsdpResult {
    QList<SsdpAnswer> answers; // distinct, in the order they came (the gateway's first)
    int devices = 0;           // distinct addresses that answered usably (counted up to 64)
};

// What one search has heard. Any number of answers costs a bounded amount: each datagram is
// read once, and only the first distinct ones are kept, so that a flood of answers cannot push
// out the router's own, which comes within milliseconds of the search.
// The gateway's own answers are kept apart, so that a flood from other addresses cannot take
// their place either.
class SsdpCollector {
public:
    static constexpr int kMaxAnswers = 64;
    static constexpr int kMaxGatewayAnswers = 16;
    explicit SsdpCollector(std::uint32_t gateway = 0) : gateway_(gateway) {}
    void add(QByteArrayView datagram, std::uint32_t from);
    // The gateway's answers first, then the others'.
    SsdpResult result() const;

private:
    std::uint32_t gateway_;
    QList<SsdpAnswer> atGateway_, elsewhere_;
    QList<std::uint32_t> senders_;
};

// The LOCATION of an SSDP answer to a search for a gateway: an http URL on the very address
// that sent it (a device names itself, not another host); nullopt for anything else.
std::optional<QUrl> ssdpLocation(QByteArrayView datagram, std::uint32_t from);

// Asks the LAN which devices are Internet gateways. Never blocks its caller, which polls for
// the answer from its tick.
class RouterDiscovery {
public:
    virtual ~RouterDiscovery() = default;
    // Starts a search; gateway (IPv4, host order; 0: none known) is asked directly as well.
    virtual void start(std::uint32_t gateway) = 0;
    // The answers once the search is over; nullopt while it goes on.
    virtual std::optional<SsdpResult> poll() = 0;
};

// SSDP over a UDP socket on a thread of its own for the search's 3 s, however many devices
// answer and however fast: the end is fixed at the start, never moved by an answer.
std::unique_ptr<RouterDiscovery> makeSsdpDiscovery();

} // namespace tarvo
