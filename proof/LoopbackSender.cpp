#include "proof/LoopbackSender.h"

#include <arpa/inet.h>
#include <cstdio>
#include <fstream>
#include <netinet/in.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace corvane {

namespace {

sockaddr_in loopback(int port)
{
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

} // namespace

LoopbackSender::LoopbackSender(int port) : m_fd(::socket(AF_INET, SOCK_DGRAM, 0)), m_port(port)
{
    if (m_fd < 0)
        throw std::runtime_error("no UDP socket");
}

LoopbackSender::~LoopbackSender()
{
    ::close(m_fd);
}

bool LoopbackSender::send(std::string_view bytes)
{
    const sockaddr_in address = loopback(m_port);
    return ::sendto(m_fd, bytes.data(), bytes.size(), 0,
                    reinterpret_cast<const sockaddr*>(&address),
                    sizeof address) == static_cast<ssize_t>(bytes.size());
}

int LoopbackSender::freePort()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address = loopback(0);
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

std::optional<long> LoopbackSender::receiveQueue(int port)
{
    std::ifstream table("/proc/net/udp");
    std::string line;
    std::getline(table, line); // column titles
    while (std::getline(table, line)) {
        unsigned localPort = 0;
        unsigned long transmitQueue = 0, receiveQueue = 0;
        if (std::sscanf(line.c_str(), " %*d: %*8X:%4X %*8X:%*4X %*2X %8lX:%8lX", &localPort,
                        &transmitQueue, &receiveQueue) == 3 &&
            static_cast<int>(localPort) == port)
            return static_cast<long>(receiveQueue);
    }
    return std::nullopt;
}

} // namespace corvane
