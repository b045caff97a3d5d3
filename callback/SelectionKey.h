#pragma once

namespace corvane {

class AbstractSocket;

// One registration with a Selector: which socket, what its owner waits for, what
// the last select found ready, and the owner's attachment. A plain value; copies
// handed out by Selector::select are snapshots of the stored key.
//
// Ownership: neither the socket nor the attachment is owned; both are handed
// back unchanged. Threads: a value, used by one thread at a time.
struct SelectionKey
{
    // Readiness kinds, as bits of interestOps and readyOps.
    enum : int
    {
        OpAccept = 1,  // a listening socket has a connection waiting
        OpConnect = 2, // a connecting socket has finished connecting
        OpRead = 4,    // data (or a datagram) waits to be read
        OpWrite = 8,   // there is room to send
    };

    AbstractSocket* socket = nullptr;
    int interestOps = 0;
    int readyOps = 0;
    void* attachment = nullptr;
};

} // namespace corvane
