#include "socket/SocketAddress.h"

#include "base/SocketAddressInfoException.h"
#include "base/SocketException.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <unistd.h>

namespace corvane {

namespace {

void copyCut(const char* text, char* out, size_t capacity)
{
    const size_t length = strnlen(text, capacity - 1);
    std::memcpy(out, text, length);
    out[length] = '\0';
}

} // namespace

SocketAddress::SocketAddress() : m_hostName{}, m_address{}, m_port(0), m_unset(true) {}

SocketAddress::SocketAddress(const char* host, uint16_t port) : SocketAddress()
{
    setAddress(host, port);
}

SocketAddress::SocketAddress(uint16_t port) : SocketAddress(localAddress())
{
    m_port = port;
    m_unset = false;
}

SocketAddress::SocketAddress(const sockaddr_in& raw) : SocketAddress()
{
    inet_ntop(AF_INET, &raw.sin_addr, m_address, sizeof m_address);
    copyCut("Unknown", m_hostName, sizeof m_hostName);
    m_port = ntohs(raw.sin_port);
    m_unset = false;
}

void SocketAddress::setAddress(const char* host, uint16_t port)
{
    const char* text = host ? host : "";
    in_addr dotted;
    if (inet_aton(text, &dotted)) {
        // Short dotted texts are kept as given; a longer one (leading zeros)
        // must not be cut into a different address.
        if (std::strlen(text) < sizeof m_address)
            copyCut(text, m_address, sizeof m_address);
        else
            inet_ntop(AF_INET, &dotted, m_address, sizeof m_address);
    } else {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_flags = AI_CANONNAME;
        addrinfo* answer = nullptr;
        const int result = getaddrinfo(text, nullptr, &hints, &answer);
        if (result != 0)
            CORVANE_THROW(SocketAddressInfoException, result);
        const auto* first = reinterpret_cast<const sockaddr_in*>(answer->ai_addr);
        inet_ntop(AF_INET, &first->sin_addr, m_address, sizeof m_address);
        freeaddrinfo(answer);
    }
    m_port = port;
    m_unset = false;
}

const SocketAddress& SocketAddress::localAddress()
{
    // Made once, thread-safely; a failed attempt is retried by the next call.
    static const SocketAddress cache = [] {
        SocketAddress local;
        char name[kHostNameCapacity] = {};
        if (gethostname(name, kHostNameCapacity - 1) != 0) {
            const int error = errno;
            CORVANE_THROW(SocketException, error);
        }
        copyCut(name, local.m_hostName, sizeof local.m_hostName);
        copyCut("0.0.0.0", local.m_address, sizeof local.m_address);
        local.m_unset = false;
        return local;
    }();
    return cache;
}

} // namespace corvane
