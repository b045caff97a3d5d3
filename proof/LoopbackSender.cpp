#include "proof/LoopbackSender.h"

#include <arpa/inet.h>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
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

std::optional<std::vector<std::string>> LoopbackSender::socketLine(int port)
{
    // "sl local_address rem_address st tx_queue:rx_queue tr:when retrnsmt uid
    // timeout inode ref pointer drops", addresses and queues in hexadecimal.
    std::ifstream table("/proc/net/udp");
    std::string line;
    std::getline(table, line); // column titles
    while (std::getline(table, line)) {
        std::istringstream words(line);
        std::vector<std::string> fields;
        for (std::string word; words >> word;)
            fields.push_back(word);
        if (fields.size() < 13)
            continue;
        const auto colon = fields[1].find(':');
        if (colon != std::string::npos &&
            std::stoi(fields[1].substr(colon + 1), nullptr, 16) == port)
            return fields;
    }
    return std::nullopt;
}

std::optional<long> LoopbackSender::receiveQueue(int port)
{
    const auto fields = socketLine(port);
    if (!fields)
        return std::nullopt;
    const auto colon = (*fields)[4].find(':');
    return std::stol((*fields)[4].substr(colon + 1), nullptr, 16);
}

std::optional<long> LoopbackSender::drops(int port)
{
    const auto fields = socketLine(port);
    if (!fields)
        return std::nullopt;
    return std::stol(fields->back());
}

} // namespace corvane
