#include "socket/ServerSocket.h"

#include "socket/SocketApiWrapper.h"

#include <sys/socket.h>

namespace corvane {

int ServerSocket::create()
{
    adopt(SocketApiWrapper::createStreamSocket());
    const int on = 1;
    return ::setsockopt(m_handle, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
}

void ServerSocket::listen(int backlog)
{
    SocketApiWrapper::listen(m_handle, backlog);
}

void ServerSocket::accept(Socket& target)
{
    target.adopt(::accept4(m_handle, nullptr, nullptr, SOCK_CLOEXEC));
}

} // namespace corvane
