#include "router/sockets.h"

// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
// clang-format on

namespace tarvo::sockets {

namespace {

sockaddr_in endpoint(std::uint32_t address, std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(address);
    a.sin_port = htons(port);
    return a;
}

SOCKET raw(Handle h) {
    return SOCKET(h);
}

Handle opened(int type, int protocol) {
    start();
    const SOCKET s = ::socket(AF_INET, type, protocol);
    if (s == INVALID_SOCKET)
        return kNone;
    u_long on = 1;
    if (::ioctlsocket(s, FIONBIO, &on) != 0) {
        ::closesocket(s);
        return kNone;
    }
    return Handle(s);
}

bool again() {
    const int e = WSAGetLastError();
    return e == WSAEWOULDBLOCK || e == WSAEINTR || e == WSAEINPROGRESS;
}

// select with a zero or given timeout; WSAPoll does not report a refused connect.
int selected(Handle socket, bool write, int ms) {
    fd_set ready, failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(raw(socket), &ready);
    FD_SET(raw(socket), &failed);
    timeval wait{ms / 1000, (ms % 1000) * 1000};
    const int n = ::select(0, write ? nullptr : &ready, write ? &ready : nullptr, &failed, &wait);
    if (n <= 0)
        return n;
    if (FD_ISSET(raw(socket), &failed))
        return -1;
    return FD_ISSET(raw(socket), &ready) ? 1 : 0;
}

} // namespace

void start() {
    // Without it every socket fails (WSANOTINITIALISED); once is enough.
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}

Handle connectTcp(std::uint32_t address, std::uint16_t port) {
    const Handle h = opened(SOCK_STREAM, IPPROTO_TCP);
    if (h == kNone)
        return kNone;
    const sockaddr_in to = endpoint(address, port);
    if (::connect(raw(h), reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0 &&
        WSAGetLastError() != WSAEWOULDBLOCK) {
        ::closesocket(raw(h));
        return kNone;
    }
    return h;
}

Connect connectState(Handle socket) {
    const int n = selected(socket, true, 0);
    if (n < 0)
        return Connect::Failed;
    return n == 0 ? Connect::Pending : Connect::Done;
}

Handle openUdp() {
    const Handle h = opened(SOCK_DGRAM, IPPROTO_UDP);
    if (h == kNone)
        return kNone;
    const DWORD ttl = 2;
    ::setsockopt(raw(h), IPPROTO_IP, IP_MULTICAST_TTL, reinterpret_cast<const char*>(&ttl),
                 sizeof ttl);
    const sockaddr_in any = endpoint(INADDR_ANY, 0);
    if (::bind(raw(h), reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
        ::closesocket(raw(h));
        return kNone;
    }
    return h;
}

bool sendTo(Handle socket, std::uint32_t address, std::uint16_t port, const QByteArray& data) {
    const sockaddr_in to = endpoint(address, port);
    return ::sendto(raw(socket), data.constData(), int(data.size()), 0,
                    reinterpret_cast<const sockaddr*>(&to), sizeof to) == data.size();
}

std::int64_t receiveFrom(Handle socket, char* data, std::int64_t size, std::uint32_t* from) {
    sockaddr_in a{};
    int length = sizeof a;
    const int n =
        ::recvfrom(raw(socket), data, int(size), 0, reinterpret_cast<sockaddr*>(&a), &length);
    if (from)
        *from = ntohl(a.sin_addr.s_addr);
    if (n == SOCKET_ERROR)
        // A datagram longer than the buffer: its start is there, as on Linux.
        return WSAGetLastError() == WSAEMSGSIZE ? size : again() ? kWouldBlock : kFailed;
    return n;
}

bool waitReadable(Handle socket, int ms) {
    return selected(socket, false, ms) > 0;
}

std::int64_t send(Handle socket, const char* data, std::int64_t size) {
    const int n = ::send(raw(socket), data, int(size), 0);
    if (n == SOCKET_ERROR)
        return again() ? kWouldBlock : kFailed;
    return n;
}

std::int64_t receive(Handle socket, char* data, std::int64_t size) {
    const int n = ::recv(raw(socket), data, int(size), 0);
    if (n == SOCKET_ERROR)
        return again() ? kWouldBlock : kFailed;
    return n;
}

void close(Handle socket) {
    ::closesocket(raw(socket));
}

} // namespace tarvo::sockets
