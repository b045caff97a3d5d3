#pragma once

#include "socket/RawSocketAddress.h"
#include "socket/SocketAddress.h"

#include <cstdint>

namespace corvane {

// Base of the socket classes: one platform handle (-1 when none is open) and
// the blocking mode the object last set (true when made).
//
// Ownership: destroying a socket object never closes its handle; its owner
// calls close(). Objects move (the source is left without a handle) but do
// not copy, so that one handle has one owner; moving onto an object that
// still holds a handle does not close that handle (close it first).
// Threads: a socket object is used by one thread at a time; no locks.
// Throws: failures raise SocketException (see SocketApiWrapper) and leave the
// object as it was, except close(), after which the handle is always gone.
class AbstractSocket
{
public:
    virtual ~AbstractSocket() = default;
    AbstractSocket(const AbstractSocket&) = delete;
    AbstractSocket& operator=(const AbstractSocket&) = delete;
    AbstractSocket(AbstractSocket&& other) noexcept;
    AbstractSocket& operator=(AbstractSocket&& other) noexcept;

    // Opens a platform socket of the subclass's kind and keeps its handle;
    // returns the result of setting its options. A failed creation is not
    // detected here: the handle is then -1 and the next operation raises.
    virtual int create() = 0;

    int getHandle() const { return m_handle; }
    bool isBlocking() const { return m_blocking; }

    // Closes the handle; nothing happens when there is none.
    void close();
    void configureBlocking(bool blocking);
    // Binds to 0.0.0.0 and `port`; port 0 picks an ephemeral port.
    void bind(uint16_t port);
    // Binds to one local address and its port.
    void bind(const RawSocketAddress& local);
    RawSocketAddress getLocalAddress() const;
    RawSocketAddress getRemoteAddress() const;
    void connect(const SocketAddress& address);
    void connect(const RawSocketAddress& address);
    // Ends the sending direction; the platform's result, never raises.
    int shutdownOutput();

protected:
    AbstractSocket() = default;
    // Takes `handle` as this object's, in blocking mode.
    void adopt(int handle);

    int m_handle = -1;
    bool m_blocking = true;
};

} // namespace corvane
