#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Sends datagrams to a UDP port on 127.0.0.1 from one socket, as a recorder
// does, and answers what the kernel knows about a UDP port there.
//
// Ownership: owns its socket. Threads: one thread per instance; the static
// functions from any thread. Throws: std::runtime_error when no socket can be
// made.
class LoopbackSender
{
public:
    explicit LoopbackSender(int port);
    ~LoopbackSender();

    LoopbackSender(const LoopbackSender&) = delete;
    LoopbackSender& operator=(const LoopbackSender&) = delete;

    // One datagram of exactly these bytes (empty allowed). False when the
    // kernel refused it (a datagram beyond the protocol's limit).
    bool send(std::string_view bytes);

    // Bytes waiting in the receive queue of the socket bound to the port, or
    // nothing when no UDP socket of this machine is bound to it.
    static std::optional<long> receiveQueue(int port);
    // Datagrams the kernel dropped for that socket (its receive queue was
    // full), or nothing when no UDP socket is bound to the port.
    static std::optional<long> drops(int port);

private:
    // The line of /proc/net/udp for the port, split at blanks.
    static std::optional<std::vector<std::string>> socketLine(int port);

    int m_fd = -1;
    int m_port;
};

} // namespace corvane
