#include "socket/AbstractSocket.h"

#include "socket/SocketApiWrapper.h"

#include <sys/socket.h>
#include <utility>

namespace corvane {

AbstractSocket::AbstractSocket(AbstractSocket&& other) noexcept
    : m_handle(std::exchange(other.m_handle, -1)), m_blocking(other.m_blocking)
{}

AbstractSocket& AbstractSocket::operator=(AbstractSocket&& other) noexcept
{
    if (this != &other) {
        m_handle = std::exchange(other.m_handle, -1);
        m_blocking = other.m_blocking;
    }
    return *this;
}

void AbstractSocket::close()
{
    if (m_handle == -1)
        return;
    // The descriptor is gone even when close reports an error: forget it
    // first, so that nobody closes a number the system has handed out again.
    SocketApiWrapper::closeSocket(std::exchange(m_handle, -1));
}

void AbstractSocket::configureBlocking(bool blocking)
{
    SocketApiWrapper::configureBlocking(m_handle, blocking);
    m_blocking = blocking;
}

void AbstractSocket::bind(uint16_t port)
{
    SocketApiWrapper::bind(m_handle, port);
}

void AbstractSocket::bind(const RawSocketAddress& local)
{
    SocketApiWrapper::bind(m_handle, local.get());
}

RawSocketAddress AbstractSocket::getLocalAddress() const
{
    return RawSocketAddress(SocketApiWrapper::getSocketName(m_handle));
}

RawSocketAddress AbstractSocket::getRemoteAddress() const
{
    return RawSocketAddress(SocketApiWrapper::getPeerName(m_handle));
}

void AbstractSocket::connect(const SocketAddress& address)
{
    SocketApiWrapper::connect(m_handle, address);
}

void AbstractSocket::connect(const RawSocketAddress& address)
{
    SocketApiWrapper::connect(m_handle, address.get());
}

int AbstractSocket::shutdownOutput()
{
    return ::shutdown(m_handle, SHUT_WR);
}

void AbstractSocket::adopt(int handle)
{
    m_handle = handle;
    m_blocking = true;
}

} // namespace corvane
