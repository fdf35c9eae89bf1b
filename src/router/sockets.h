#pragma once

#include <QByteArray>

#include <cstdint>

namespace tarvo::sockets {

// The few IPv4 socket calls the router needs, on the platform's own API (sockets_posix.cpp,
// sockets_win.cpp). Every socket is non-blocking: the exchanges are polled from the meter's
// tick with nothing waited for, and the search waits only in waitReadable.
using Handle = std::intptr_t;
constexpr Handle kNone = -1;
// What send and receive return besides a count.
constexpr std::int64_t kWouldBlock = -1;
constexpr std::int64_t kFailed = -2;

// The platform's socket layer made ready (Windows asks for it); before the first socket.
void start();

// A TCP connection to address (host order) begun; kNone where it cannot even begin.
Handle connectTcp(std::uint32_t address, std::uint16_t port);
enum class Connect { Pending, Done, Failed };
Connect connectState(Handle socket);

// A UDP socket on any port, its multicasts sent with a TTL of 2.
Handle openUdp();
bool sendTo(Handle socket, std::uint32_t address, std::uint16_t port, const QByteArray& data);
// One datagram (cut to size), the sender's address in *from.
std::int64_t receiveFrom(Handle socket, char* data, std::int64_t size, std::uint32_t* from);
// Until the socket has something to read or ms have passed; false on timeout or failure.
bool waitReadable(Handle socket, int ms);

// A count, 0 at the end of the stream (receive), kWouldBlock or kFailed.
std::int64_t send(Handle socket, const char* data, std::int64_t size);
std::int64_t receive(Handle socket, char* data, std::int64_t size);

void close(Handle socket);

// Closes on destruction.
class Socket {
public:
    Socket() = default;
    explicit Socket(Handle h) : h_(h) {}
    Socket(Socket&& o) noexcept : h_(o.h_) { o.h_ = kNone; }
    Socket& operator=(Socket&& o) noexcept {
        if (this != &o) {
            reset();
            h_ = o.h_;
            o.h_ = kNone;
        }
        return *this;
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    ~Socket() { reset(); }
    Handle get() const { return h_; }
    bool valid() const { return h_ != kNone; }
    void reset() {
        if (h_ != kNone)
            close(h_);
        h_ = kNone;
    }

private:
    Handle h_ = kNone;
};

} // namespace tarvo::sockets
