#pragma once

#include <cstdint>
#include <netinet/in.h>
#include <string>

namespace corvane {

// A thin value around the platform's 16-byte IPv4 socket address (family,
// port and address in network order, zero padding). Never resolves names.
//
// Threads: a value belongs to one thread. Throws: nothing.
class RawSocketAddress
{
public:
    RawSocketAddress() { clear(); }
    explicit RawSocketAddress(const sockaddr_in& raw) : m_raw(raw) {}

    // All zeros.
    void clear();

    // Family AF_INET, the dotted text and the port. False, with the address
    // left at 0.0.0.0, when the text is not a dotted IPv4 address (instead of
    // silently naming the broadcast address).
    bool set(const char* dotted, uint16_t port);

    // The address as dotted text, and the port in host order.
    std::string getAddress() const;
    uint16_t getPort() const;

    const sockaddr_in& get() const { return m_raw; }
    sockaddr_in& get() { return m_raw; }

private:
    sockaddr_in m_raw;
};

} // namespace corvane
