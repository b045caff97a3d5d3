#pragma once

#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace corvane::test {

// A UDP port held by a socket bound on every local address without address
// reuse, so that no other socket can bind it: the port a receiver must fail
// to open. The kernel picks the port.
//
// Ownership: owns its socket until release() or destruction. Threads: one
// thread. Throws: std::runtime_error when no port can be held.
class BlockedUdpPort
{
public:
    BlockedUdpPort() : m_fd(::socket(AF_INET, SOCK_DGRAM, 0))
    {
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_ANY);
        socklen_t length = sizeof address;
        if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            release();
            throw std::runtime_error("cannot hold a UDP port");
        }
        m_port = ntohs(address.sin_port);
    }
    ~BlockedUdpPort() { release(); }
    BlockedUdpPort(const BlockedUdpPort&) = delete;
    BlockedUdpPort& operator=(const BlockedUdpPort&) = delete;

    int port() const noexcept { return m_port; }

    // Lets the port go; it stays known by port().
    void release() noexcept
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
    int m_port = 0;
};

} // namespace corvane::test
