#pragma once

#include "socket/AbstractSocket.h"

#include <cstddef>
#include <cstdint>

namespace corvane {

// A TCP stream socket (the readiness selector's wake-up pair is built of two).
//
// Ownership, threads: as AbstractSocket.
// Throws: create() never; connect() raises SocketException; write() and read()
// return the platform's result unchecked (-1 on failure, errno set).
class Socket : public AbstractSocket
{
public:
    Socket() = default;

    int create() override;

    using AbstractSocket::connect;
    // Connects to `host` (dotted text or a name) at `port`; true when it
    // returns, failures raise.
    bool connect(const char* host, uint16_t port);

    // The platform's send/recv results; read() returns 0 when the peer closed.
    int write(const void* data, size_t length);
    int read(void* buffer, size_t size);

private:
    friend class ServerSocket;
};

} // namespace corvane
