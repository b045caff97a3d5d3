#include "socket/DatagramSocket.h"

#include "base/SocketException.h"
#include "socket/SocketApiWrapper.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>

namespace corvane {

int DatagramSocket::create()
{
    adopt(SocketApiWrapper::createDatagramSocket());
    const int on = 1;
    return ::setsockopt(m_handle, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
}

int DatagramSocket::sendTo(const void* data, size_t length, const SocketAddress& to)
{
    return SocketApiWrapper::sendTo(m_handle, data, length, to);
}

int DatagramSocket::recvFrom(void* buffer, size_t size, SocketAddress& from)
{
    return SocketApiWrapper::recvFrom(m_handle, buffer, size, from);
}

static_assert(DatagramSocket::wouldBlock == SocketApiWrapper::wouldBlock);

int DatagramSocket::tryRecvFrom(void* buffer, size_t size, SocketAddress& from)
{
    return SocketApiWrapper::tryRecvFrom(m_handle, buffer, size, from);
}

int DatagramSocket::send(const void* data, size_t length)
{
    return SocketApiWrapper::send(m_handle, data, length);
}

int DatagramSocket::recv(void* buffer, size_t size)
{
    return SocketApiWrapper::recv(m_handle, buffer, size);
}

bool DatagramSocket::waitReady(bool forWriting, int32_t milliseconds)
{
    const bool wasBlocking = m_blocking;
    if (wasBlocking)
        configureBlocking(false);
    pollfd entry{m_handle, static_cast<short>(forWriting ? POLLOUT : POLLIN), 0};
    const int ready = ::poll(&entry, 1, milliseconds < 0 ? 0 : milliseconds);
    const int error = errno;
    if (wasBlocking)
        configureBlocking(true);
    if (ready == -1) {
        if (error == EINTR)
            return false;
        CORVANE_THROW(SocketException, error);
    }
    // An error or hang-up condition counts as ready: the transfer reports it.
    return ready == 1;
}

bool DatagramSocket::sendTo(const void* data, size_t length, const SocketAddress& to,
                            int32_t milliseconds, int& count)
{
    if (!waitReady(true, milliseconds))
        return false;
    count = sendTo(data, length, to);
    return true;
}

bool DatagramSocket::receiveFrom(void* buffer, size_t size, SocketAddress& from,
                                 int32_t milliseconds, int& count)
{
    if (!waitReady(false, milliseconds))
        return false;
    count = recvFrom(buffer, size, from);
    return true;
}

bool DatagramSocket::send(const void* data, size_t length, int32_t milliseconds, int& count)
{
    if (!waitReady(true, milliseconds))
        return false;
    count = send(data, length);
    return true;
}

bool DatagramSocket::receive(void* buffer, size_t size, int32_t milliseconds, int& count)
{
    if (!waitReady(false, milliseconds))
        return false;
    count = recv(buffer, size);
    return true;
}

} // namespace corvane
