#include "socket/RawSocketAddress.h"

#include <arpa/inet.h>
#include <cstring>

namespace corvane {

void RawSocketAddress::clear()
{
    std::memset(&m_raw, 0, sizeof m_raw);
}

bool RawSocketAddress::set(const char* dotted, uint16_t port)
{
    clear();
    m_raw.sin_family = AF_INET;
    m_raw.sin_port = htons(port);
    return dotted && inet_aton(dotted, &m_raw.sin_addr) != 0;
}

std::string RawSocketAddress::getAddress() const
{
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &m_raw.sin_addr, text, sizeof text);
    return text;
}

uint16_t RawSocketAddress::getPort() const
{
    return ntohs(m_raw.sin_port);
}

} // namespace corvane
