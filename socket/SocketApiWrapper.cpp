#include "socket/SocketApiWrapper.h"

#include "base/SocketException.h"
#include "socket/SocketAddress.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

// Raises SocketException with the errno of the call that just failed; errno
// is read before anything else can change it.
#define CORVANE_THROW_SOCKET_ERROR()                                                               \
    do {                                                                                           \
        const int lastError = errno;                                                               \
        CORVANE_THROW(SocketException, lastError);                                                 \
    } while (false)

namespace corvane {

namespace {

std::atomic<bool> g_initialized{false};

void ensureInitialized()
{
    if (!g_initialized.load())
        SocketApiWrapper::initialize();
}

} // namespace

void SocketApiWrapper::initialize()
{
    g_initialized = true;
}

void SocketApiWrapper::cleanup()
{
    g_initialized = false;
}

bool SocketApiWrapper::isInitialized()
{
    return g_initialized.load();
}

int SocketApiWrapper::createStreamSocket()
{
    ensureInitialized();
    return ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
}

int SocketApiWrapper::createDatagramSocket()
{
    ensureInitialized();
    return ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
}

int SocketApiWrapper::createRawSocket(int protocol)
{
    ensureInitialized();
    return ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, protocol);
}

int SocketApiWrapper::closeSocket(int handle)
{
    const int result = ::close(handle);
    if (result == -1)
        CORVANE_THROW_SOCKET_ERROR();
    return result;
}

void SocketApiWrapper::configureBlocking(int handle, bool blocking)
{
    const int flags = ::fcntl(handle, F_GETFL);
    if (flags == -1)
        CORVANE_THROW_SOCKET_ERROR();
    const int wanted = blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK;
    if (wanted != flags && ::fcntl(handle, F_SETFL, wanted) == -1)
        CORVANE_THROW_SOCKET_ERROR();
}

bool SocketApiWrapper::isBlocking(int handle)
{
    const int flags = ::fcntl(handle, F_GETFL);
    if (flags == -1)
        CORVANE_THROW_SOCKET_ERROR();
    return (flags & O_NONBLOCK) == 0;
}

int SocketApiWrapper::send(int handle, const void* data, size_t length)
{
    // No SIGPIPE for a closed peer: the failure is reported as EPIPE.
    const ssize_t sent = ::send(handle, data, length, MSG_NOSIGNAL);
    if (sent == -1)
        CORVANE_THROW_SOCKET_ERROR();
    return static_cast<int>(sent);
}

namespace {

// One receive through recvmsg, so that a datagram cut to the buffer is
// detected (MSG_TRUNC in the returned flags) on datagram sockets without
// changing what a stream socket does. With `wouldBlockIsResult`, an empty
// non-blocking socket returns SocketApiWrapper::wouldBlock instead of raising.
int receive(int handle, void* buffer, size_t size, sockaddr_in* from,
            bool wouldBlockIsResult = false)
{
    iovec part{buffer, size};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    if (from) {
        message.msg_name = from;
        message.msg_namelen = sizeof *from;
    }
    const ssize_t received = ::recvmsg(handle, &message, 0);
    if (received == -1 && wouldBlockIsResult && (errno == EAGAIN || errno == EWOULDBLOCK))
        return SocketApiWrapper::wouldBlock;
    if (received == -1)
        CORVANE_THROW_SOCKET_ERROR();
    if (message.msg_flags & MSG_TRUNC)
        CORVANE_THROW(SocketException, EMSGSIZE);
    return static_cast<int>(received);
}

} // namespace

int SocketApiWrapper::recv(int handle, void* buffer, size_t size)
{
    return receive(handle, buffer, size, nullptr);
}

int SocketApiWrapper::sendTo(int handle, const void* data, size_t length, const SocketAddress& to)
{
    const sockaddr_in target = destination(to);
    const ssize_t sent = ::sendto(handle, data, length, MSG_NOSIGNAL,
                                  reinterpret_cast<const sockaddr*>(&target), sizeof target);
    if (sent == -1)
        CORVANE_THROW_SOCKET_ERROR();
    return static_cast<int>(sent);
}

int SocketApiWrapper::recvFrom(int handle, void* buffer, size_t size, SocketAddress& from)
{
    sockaddr_in sender{};
    const int received = receive(handle, buffer, size, &sender);
    from = SocketAddress(sender);
    return received;
}

int SocketApiWrapper::tryRecvFrom(int handle, void* buffer, size_t size, SocketAddress& from)
{
    sockaddr_in sender{};
    const int received = receive(handle, buffer, size, &sender, true);
    if (received != wouldBlock)
        from = SocketAddress(sender);
    return received;
}

sockaddr_in SocketApiWrapper::destination(const char* host, uint16_t port)
{
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    const char* text = host ? host : "";
    if (inet_aton(text, &target.sin_addr))
        return target;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* answer = nullptr;
    const int result = getaddrinfo(text, nullptr, &hints, &answer);
    if (result != 0)
        CORVANE_THROW(SocketException, result, gai_strerror(result));
    target.sin_addr = reinterpret_cast<const sockaddr_in*>(answer->ai_addr)->sin_addr;
    freeaddrinfo(answer);
    return target;
}

sockaddr_in SocketApiWrapper::destination(const SocketAddress& address)
{
    if (address.isUnset())
        return destination("255.255.255.255", address.getPort());
    return destination(address.getAddress(), address.getPort());
}

void SocketApiWrapper::connect(int handle, const char* host, uint16_t port)
{
    connect(handle, destination(host, port));
}

void SocketApiWrapper::connect(int handle, const SocketAddress& address)
{
    connect(handle, address.getAddress(), address.getPort());
}

void SocketApiWrapper::connect(int handle, const sockaddr_in& address)
{
    if (::connect(handle, reinterpret_cast<const sockaddr*>(&address), sizeof address) == -1)
        CORVANE_THROW_SOCKET_ERROR();
}

int SocketApiWrapper::accept(int handle, SocketAddress& peer)
{
    sockaddr_in raw{};
    socklen_t length = sizeof raw;
    const int accepted =
        ::accept4(handle, reinterpret_cast<sockaddr*>(&raw), &length, SOCK_CLOEXEC);
    if (accepted == -1)
        CORVANE_THROW_SOCKET_ERROR();
    peer = SocketAddress(raw);
    return accepted;
}

void SocketApiWrapper::listen(int handle, int backlog)
{
    if (::listen(handle, backlog) == -1)
        CORVANE_THROW_SOCKET_ERROR();
}

void SocketApiWrapper::bind(int handle, uint16_t port)
{
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    bind(handle, local);
}

void SocketApiWrapper::bind(int handle, const sockaddr_in& local)
{
    if (::bind(handle, reinterpret_cast<const sockaddr*>(&local), sizeof local) == -1)
        CORVANE_THROW_SOCKET_ERROR();
}

sockaddr_in SocketApiWrapper::getSocketName(int handle)
{
    sockaddr_in name{};
    socklen_t length = sizeof name;
    if (::getsockname(handle, reinterpret_cast<sockaddr*>(&name), &length) == -1)
        CORVANE_THROW_SOCKET_ERROR();
    return name;
}

sockaddr_in SocketApiWrapper::getPeerName(int handle)
{
    sockaddr_in name{};
    socklen_t length = sizeof name;
    if (::getpeername(handle, reinterpret_cast<sockaddr*>(&name), &length) == -1)
        CORVANE_THROW_SOCKET_ERROR();
    return name;
}

int SocketApiWrapper::getSocketError(int handle)
{
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(handle, SOL_SOCKET, SO_ERROR, &error, &length) == -1)
        CORVANE_THROW_SOCKET_ERROR();
    return error;
}

int SocketApiWrapper::getLastError()
{
    return errno;
}

} // namespace corvane
