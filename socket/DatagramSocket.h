#pragma once

#include "socket/AbstractSocket.h"

#include <cstddef>
#include <cstdint>

namespace corvane {

// A UDP socket (address reuse on), with untimed transfers that block as the
// socket's mode says, and timed ones that first wait up to a limit for the
// socket to become ready.
//
// Timed operations: the wait uses poll() on this socket alone (writable for
// sending, readable for receiving), with the socket switched to non-blocking
// for the wait and back to blocking before any transfer. They return false
// when the limit ran out or the wait was interrupted by a signal (EINTR), and
// leave `count` untouched then; otherwise they transfer, store the untimed
// result in `count` and return true.
//
// Ownership, threads: as AbstractSocket.
// Throws: SocketException, from the wait and from the transfer; a datagram
// longer than the receive buffer raises it with EMSGSIZE.
class DatagramSocket : public AbstractSocket
{
public:
    DatagramSocket() = default;

    int create() override;

    int sendTo(const void* data, size_t length, const SocketAddress& to);
    int recvFrom(void* buffer, size_t size, SocketAddress& from);
    int send(const void* data, size_t length);
    int recv(void* buffer, size_t size);
    // Non-blocking sockets: the byte count, or wouldBlock when nothing is
    // waiting. Raises for every other failure, as recvFrom does.
    static constexpr int wouldBlock = -1;
    int tryRecvFrom(void* buffer, size_t size, SocketAddress& from);

    bool sendTo(const void* data, size_t length, const SocketAddress& to, int32_t milliseconds,
                int& count);
    bool receiveFrom(void* buffer, size_t size, SocketAddress& from, int32_t milliseconds,
                     int& count);
    bool send(const void* data, size_t length, int32_t milliseconds, int& count);
    bool receive(void* buffer, size_t size, int32_t milliseconds, int& count);

private:
    // True when the socket became ready within the limit.
    bool waitReady(bool forWriting, int32_t milliseconds);
};

} // namespace corvane
