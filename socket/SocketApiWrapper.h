#pragma once

#include <cstddef>
#include <cstdint>
#include <netinet/in.h>

namespace corvane {

class SocketAddress;

// Static wrappers over the platform's IPv4 socket calls that turn every
// failure into an exception. Handles are file descriptors; -1 is invalid.
//
// Throws: unless an operation says otherwise, a failure raises SocketException
// whose code is the call's errno and whose message is the system's text for
// it. Socket creation returns the platform's result unchecked (-1 on failure:
// the first operation on it then raises). Name lookups that fail raise
// SocketException with the resolver's code and text.
// Threads: every operation may be called from any thread; a handle is used by
// one thread at a time.
class SocketApiWrapper
{
public:
    SocketApiWrapper() = delete;

    // Marks the socket layer as started (POSIX sockets need no start-up);
    // the create operations call it on first use.
    static void initialize();
    static void cleanup();
    static bool isInitialized();

    static int createStreamSocket();
    static int createDatagramSocket();
    static int createRawSocket(int protocol);

    // Closes the handle; the descriptor is released even when this raises.
    static int closeSocket(int handle);
    static void configureBlocking(int handle, bool blocking);
    // Whether the handle is in blocking mode, as the system sees it.
    static bool isBlocking(int handle);

    // Stream or connected transfers. recv() returns 0 when the peer closed.
    static int send(int handle, const void* data, size_t length);
    static int recv(int handle, void* buffer, size_t size);

    // Sends one datagram to `to`; an unset address means 255.255.255.255.
    static int sendTo(int handle, const void* data, size_t length, const SocketAddress& to);
    // Receives one datagram and sets `from` to its sender. A datagram longer
    // than `size` raises SocketException(EMSGSIZE); it is consumed, and the
    // buffer holds its first `size` bytes.
    static int recvFrom(int handle, void* buffer, size_t size, SocketAddress& from);
    // As recvFrom, except that a non-blocking socket with nothing waiting
    // returns wouldBlock (and leaves `from` alone) instead of raising: the
    // end of a burst is not a failure. Other errors and an oversize datagram
    // raise as recvFrom does.
    static constexpr int wouldBlock = -1;
    static int tryRecvFrom(int handle, void* buffer, size_t size, SocketAddress& from);

    static void connect(int handle, const char* host, uint16_t port);
    static void connect(int handle, const SocketAddress& address);
    static void connect(int handle, const sockaddr_in& address);
    // Accepts one connection and sets `peer` to its address.
    static int accept(int handle, SocketAddress& peer);
    static void listen(int handle, int backlog);
    // Binds to the any-address 0.0.0.0 and `port` (0: an ephemeral port).
    static void bind(int handle, uint16_t port);
    // Binds to the given local address and port.
    static void bind(int handle, const sockaddr_in& local);
    static sockaddr_in getSocketName(int handle);
    static sockaddr_in getPeerName(int handle);
    // The pending error of the socket (SO_ERROR).
    static int getSocketError(int handle);
    // The calling thread's last socket error (errno).
    static int getLastError();

    // The destination that sendTo / connect use: dotted text as it is,
    // another name through the resolver (its first IPv4 address).
    static sockaddr_in destination(const char* host, uint16_t port);
    // As above; an unset value gives the limited broadcast address.
    static sockaddr_in destination(const SocketAddress& address);
};

} // namespace corvane
