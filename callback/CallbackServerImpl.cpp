#include "callback/CallbackServerImpl.h"

#include "base/SocketException.h"
#include "base/StandardException.h"
#include "base/Trace.h"
#include "socket/SocketAddress.h"

#include <cerrno>
#include <exception>
#include <sys/socket.h>
#include <vector>

namespace corvane {

CallbackServerImpl::CallbackServerImpl(CallbackServerDelegate& delegate)
    : LoopingThread("Callback Server"), m_delegate(delegate)
{
    m_buffer[0] = '\0';
}

CallbackServerImpl::~CallbackServerImpl()
{
    // Destroying a thread object while its thread still runs would leave the loop
    // on freed memory.
    stop();
}

void CallbackServerImpl::start(int32_t port)
{
    stop();
    m_port = port;
    try {
        openSocket(port);
    } catch (const SocketException& e) {
        traceException(e);
        m_selector.clear();
        m_socket.close();
        m_delegate.onServerError(e.getMessage());
        return;
    }
    m_stopFlag = false;
    clearStopRequest();
    try {
        LoopingThread::start();
    } catch (...) {
        // No loop will close the socket: do it here, so the port is free again.
        m_selector.clear();
        m_socket.close();
        throw;
    }
}

void CallbackServerImpl::openSocket(int32_t port)
{
    // A port the platform would silently wrap (70000 is 4464) is refused.
    if (port < 0 || port > 65535)
        CORVANE_THROW(SocketException, EINVAL);
    m_socket.create();
    m_socket.configureBlocking(false);
    enlargeReceiveBuffer();
    m_socket.bind(static_cast<uint16_t>(port));
    m_selector.registerSocket(m_socket, SelectionKey::OpRead, &m_socket);
}

bool CallbackServerImpl::reopenAfterPause()
{
    std::vector<SelectionKey> none;
    while (!m_stopFlag) {
        // Only the wake-up pair is left in the selector: stop ends the pause.
        none.clear();
        m_selector.select(none, restartPauseMs);
        if (m_stopFlag)
            return false;
        try {
            openSocket(m_port);
            return true;
        } catch (const SocketException& e) {
            traceException(e);
            m_selector.clear();
            m_socket.close();
        }
    }
    return false;
}

void CallbackServerImpl::enlargeReceiveBuffer()
{
    // Room for a few hundred milliseconds of a busy fleet, so that datagrams
    // survive while this thread waits for a processor. The system caps the
    // value at its own limit; a refusal leaves the default, which also works.
    int bytes = receiveBufferBytes;
    setsockopt(m_socket.getHandle(), SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

void CallbackServerImpl::stop()
{
    m_stopFlag = true;
    m_selector.wakeup();
    join();
    m_port = 0;
}

std::unique_ptr<CallbackInfo>
CallbackServerImpl::takeCallbackInfo(std::unique_ptr<CallbackInfoHolder> holder)
{
    if (!holder)
        return nullptr;
    return std::move(*holder);
}

void CallbackServerImpl::endLoop()
{
    // A descriptor that went bad (the usual cause of a failed wait) fails to
    // close as well; it is forgotten either way, and the thread goes on.
    try {
        m_socket.close();
    } catch (const SocketException& e) {
        traceException(e);
    }
    m_selector.clear();
}

void CallbackServerImpl::run()
{
    std::vector<SelectionKey> selected;
    SocketAddress sender;
    while (true) {
        if (m_stopFlag) {
            endLoop();
            return;
        }
        selected.clear();
        if (m_selector.select(selected, selectTimeoutMs) < 0) {
            traceMessage("Selector Error!");
            endLoop();
            // Without a word the station would look alive and receive nothing.
            m_delegate.onReceptionFailed("waiting for datagrams failed");
            if (!reopenAfterPause())
                return;
            continue;
        }
        for (const SelectionKey& key : selected) {
            if (key.readyOps & SelectionKey::OpRead)
                receiveBurst(sender);
        }
    }
}

void CallbackServerImpl::receiveBurst(SocketAddress& sender)
{
    // Datagrams that queued up while one was handled are taken without another
    // wait, a bounded number at a time so that stop is never kept waiting.
    for (int i = 0; i < burstLimit && !m_stopFlag; ++i) {
        if (!receive(sender))
            return;
    }
}

bool CallbackServerImpl::receive(SocketAddress& sender)
{
    int n;
    try {
        n = m_socket.recvFrom(m_buffer, bufferSize, sender);
    } catch (const SocketException& e) {
        // Nothing (more) waiting: no failure, nothing was lost.
        if (e.getCode() == EAGAIN || e.getCode() == EWOULDBLOCK)
            return false;
        traceMessage("Error Code - %d", e.getCode());
        m_delegate.onServerError(e.getMessage());
        return true;
    }
    if (n >= 1 && n <= maxDatagram) {
        m_buffer[n] = '\0';
        handleDatagram(sender.getAddress(), sender.getPort());
    }
    return true;
}

void CallbackServerImpl::handleDatagram(const char* address, int32_t port)
{
    // A delegate's failure costs this datagram only, never the receive thread.
    try {
        CallbackInfo record(address ? address : "", port);
        if (m_parser.parse(m_buffer, record))
            m_delegate.onCallbackReceived(record);
    } catch (const Exception& e) {
        traceException(e);
    } catch (const std::exception& e) {
        traceException(StandardException(e));
    }
}

} // namespace corvane
