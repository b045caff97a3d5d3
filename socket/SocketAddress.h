#pragma once

#include <cstdint>
#include <netinet/in.h>

namespace corvane {

// An IPv4 endpoint as text: host name, dotted address and port. A default
// value is "unset": it names no endpoint, and its address and host name are
// absent (null). Sending to an unset address means the limited broadcast
// address (see SocketApiWrapper::sendTo).
//
// Values taken from a received packet have the host name "Unknown";
// setAddress() leaves the host name as it was and resolves names that are not
// dotted text to their first IPv4 address.
//
// Threads: a value belongs to one thread; localAddress() may be called from
// any thread.
// Throws: setAddress() and the host/port constructor raise
// SocketAddressInfoException (code: the resolver's result) for a name that
// does not resolve; localAddress() raises SocketException.
class SocketAddress
{
public:
    static constexpr int kHostNameCapacity = 65; // 64 characters and a terminator
    static constexpr int kAddressCapacity = 33;  // 32 characters and a terminator

    SocketAddress();
    SocketAddress(const char* host, uint16_t port);
    // This host (its name, address 0.0.0.0) at `port`.
    explicit SocketAddress(uint16_t port);
    // The sender or peer of a received packet or connection.
    explicit SocketAddress(const sockaddr_in& raw);

    // Dotted text is stored as given (a text over 32 characters in its
    // canonical dotted form); any other text is resolved (IPv4 only).
    void setAddress(const char* host, uint16_t port);

    const char* getAddress() const { return m_unset ? nullptr : m_address; }
    const char* getHostName() const { return m_unset ? nullptr : m_hostName; }
    uint16_t getPort() const { return m_port; }
    bool isUnset() const { return m_unset; }

    // This host: its name from gethostname and the any-address "0.0.0.0",
    // looked up once and cached for the process.
    static const SocketAddress& localAddress();

private:
    char m_hostName[kHostNameCapacity];
    char m_address[kAddressCapacity];
    uint16_t m_port;
    bool m_unset;
};

} // namespace corvane
