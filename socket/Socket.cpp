#include "socket/Socket.h"

#include "socket/SocketApiWrapper.h"

#include <sys/socket.h>

namespace corvane {

int Socket::create()
{
    adopt(SocketApiWrapper::createStreamSocket());
    return 0;
}

bool Socket::connect(const char* host, uint16_t port)
{
    SocketApiWrapper::connect(m_handle, host, port);
    return true;
}

int Socket::write(const void* data, size_t length)
{
    return static_cast<int>(::send(m_handle, data, length, MSG_NOSIGNAL));
}

int Socket::read(void* buffer, size_t size)
{
    return static_cast<int>(::recv(m_handle, buffer, size, 0));
}

} // namespace corvane
