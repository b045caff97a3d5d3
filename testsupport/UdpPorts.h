#pragma once

#include <algorithm>
#include <atomic>
#include <fstream>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace corvane::test {

// UDP ports for tests that start a receiver: never a fixed number, since other
// tests run on this machine at the same time. A port found free can still be
// taken by someone else before the caller binds it; the ports handed out here
// lie below the kernel's ephemeral range, so at least no socket that sends
// without binding (every test's sender) takes one in between.
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

// A UDP port within [low, high] that nobody holds now. Processes start their
// search at different places, and each call of one process at the next place,
// so that parallel tests rarely meet and two calls before either port is
// bound give two ports.
inline int freeUdpPortBetween(int low, int high)
{
    static std::atomic<unsigned> calls{0};
    const unsigned span = static_cast<unsigned>(high - low + 1);
    const unsigned start = static_cast<unsigned>(::getpid()) * 7919u + calls.fetch_add(1) * 101u;
    for (unsigned attempt = 0; attempt < span; ++attempt) {
        const int port = low + static_cast<int>((start + attempt) % span);
        if (udpPortIsFree(port))
            return port;
    }
    throw std::runtime_error("no free UDP port in range");
}

// The first port of the kernel's ephemeral range (where it picks ports for
// sockets bound to port 0 or sending unbound).
inline int ephemeralPortsStart()
{
    std::ifstream range("/proc/sys/net/ipv4/ip_local_port_range");
    int first = 0;
    return range >> first && first > 20000 ? first : 32768;
}

// A UDP port that nobody holds at the moment of the call, from 20000 up to
// 32000 (the highest callback port the station takes from its settings) and
// short of the ephemeral range; clear of the station's default port, 10111.
inline int freeUdpPort()
{
    return freeUdpPortBetween(20000, std::min(32000, ephemeralPortsStart() - 1));
}

} // namespace corvane::test
