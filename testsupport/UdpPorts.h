#pragma once

#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace corvane::test {

// UDP ports for tests that start a receiver: never a fixed number, since other
// tests run on this machine at the same time. A port found free can still be
// taken by someone else before the caller binds it; the kernel hands out
// ephemeral ports in turn, so that is rare.
// Threads: any. Throws: std::runtime_error when no socket can be made or no
// free port is found.

// Whether a UDP socket without address reuse could bind this port on every
// local address now.
inline bool udpPortIsFree(int port)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    const bool free =
        fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        ::close(fd);
    return free;
}

// A UDP port that nobody holds at the moment of the call, as the kernel picks
// one for a socket bound to port 0.
inline int freeUdpPort()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    socklen_t length = sizeof address;
    const bool found = fd >= 0 &&
                       ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                       ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!found)
        throw std::runtime_error("no free UDP port");
    return ntohs(address.sin_port);
}

// A UDP port within [low, high] that nobody holds now, for a value that must
// lie in a range (what an operator may type). Processes start their search at
// different places so that parallel tests rarely meet.
inline int freeUdpPortBetween(int low, int high)
{
    const int span = high - low + 1;
    for (int attempt = 0; attempt < span; ++attempt) {
        const int port = low + (static_cast<int>(::getpid()) * 7919 + attempt) % span;
        if (udpPortIsFree(port))
            return port;
    }
    throw std::runtime_error("no free UDP port in range");
}

} // namespace corvane::test
