#include "router/sockets.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tarvo::sockets {

namespace {

sockaddr_in endpoint(std::uint32_t address, std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(address);
    a.sin_port = htons(port);
    return a;
}

Handle opened(int type) {
    const int fd = ::socket(AF_INET, type | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    return fd < 0 ? kNone : Handle(fd);
}

bool again() {
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}

} // namespace

void start() {}

Handle connectTcp(std::uint32_t address, std::uint16_t port) {
    const Handle h = opened(SOCK_STREAM);
    if (h == kNone)
        return kNone;
    const sockaddr_in to = endpoint(address, port);
    if (::connect(int(h), reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0 &&
        errno != EINPROGRESS) {
        ::close(int(h));
        return kNone;
    }
    return h;
}

Connect connectState(Handle socket) {
    pollfd p{int(socket), POLLOUT, 0};
    const int n = ::poll(&p, 1, 0);
    if (n < 0)
        return again() ? Connect::Pending : Connect::Failed;
    if (n == 0)
        return Connect::Pending;
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(int(socket), SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0)
        return Connect::Failed;
    return (p.revents & POLLOUT) ? Connect::Done : Connect::Failed;
}

Handle openUdp() {
    const Handle h = opened(SOCK_DGRAM);
    if (h == kNone)
        return kNone;
    const unsigned char ttl = 2;
    ::setsockopt(int(h), IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl);
    const sockaddr_in any = endpoint(INADDR_ANY, 0);
    if (::bind(int(h), reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
        ::close(int(h));
        return kNone;
    }
    return h;
}

bool sendTo(Handle socket, std::uint32_t address, std::uint16_t port, const QByteArray& data) {
    const sockaddr_in to = endpoint(address, port);
    return ::sendto(int(socket), data.constData(), size_t(data.size()), MSG_NOSIGNAL,
                    reinterpret_cast<const sockaddr*>(&to), sizeof to) == data.size();
}

std::int64_t receiveFrom(Handle socket, char* data, std::int64_t size, std::uint32_t* from) {
    sockaddr_in a{};
    socklen_t length = sizeof a;
    const ssize_t n =
        ::recvfrom(int(socket), data, size_t(size), 0, reinterpret_cast<sockaddr*>(&a), &length);
    if (n < 0)
        return again() ? kWouldBlock : kFailed;
    if (from)
        *from = ntohl(a.sin_addr.s_addr);
    return n;
}

bool waitReadable(Handle socket, int ms) {
    pollfd p{int(socket), POLLIN, 0};
    return ::poll(&p, 1, ms) > 0 && (p.revents & POLLIN);
}

std::int64_t send(Handle socket, const char* data, std::int64_t size) {
    const ssize_t n = ::send(int(socket), data, size_t(size), MSG_NOSIGNAL);
    if (n < 0)
        return again() ? kWouldBlock : kFailed;
    return n;
}

std::int64_t receive(Handle socket, char* data, std::int64_t size) {
    const ssize_t n = ::recv(int(socket), data, size_t(size), 0);
    if (n < 0)
        return again() ? kWouldBlock : kFailed;
    return n;
}

void close(Handle socket) {
    ::close(int(socket));
}

} // namespace tarvo::sockets
