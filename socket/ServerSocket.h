#pragma once

#include "socket/AbstractSocket.h"
#include "socket/Socket.h"

namespace corvane {

// A listening TCP socket (address reuse on).
//
// Ownership, threads: as AbstractSocket; an accepted handle belongs to the
// target Socket, whose owner closes it.
// Throws: listen() raises SocketException; accept() does not check its result.
class ServerSocket : public AbstractSocket
{
public:
    ServerSocket() = default;

    int create() override;

    void listen(int backlog);

    // Accepts one connection into `target` (blocking mode), without its
    // address. On failure the target's handle is -1 and errno says why.
    void accept(Socket& target);
};

} // namespace corvane
