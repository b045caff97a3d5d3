#include "callback/CallbackServerImpl.h"

#include "base/SocketException.h"
#include "base/StandardException.h"
#include "base/Trace.h"
#include "callback/DropCounts.h"
#include "socket/RawSocketAddress.h"
#include "socket/SocketAddress.h"

#include <cerrno>
#include <chrono>
#include <exception>
#include <sys/socket.h>
#include <thread>
#include <vector>

namespace corvane {

CallbackServerImpl::CallbackServerImpl(CallbackServerDelegate& delegate, DropCounts* counts)
    : LoopingThread("Callback Server"), m_delegate(delegate), m_counts(counts)
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
    // Strictly four decimal parts: the resolver's short forms ("127.1") are
    // no address an operator means.
    const std::string bindText = m_bindAddress.empty() ? "0.0.0.0" : m_bindAddress;
    std::uint32_t bindValue = 0;
    RawSocketAddress local;
    if (!SenderFilter::parseAddress(bindText, bindValue) ||
        !local.set(bindText.c_str(), static_cast<uint16_t>(port))) {
        const std::string text =
            "the bind address \"" + m_bindAddress + "\" is not an IPv4 address";
        traceMessage("%s", text.c_str());
        m_delegate.onServerError(text.c_str());
        return;
    }
    try {
        m_local = local;
        openSocket(port, local);
    } catch (const SocketException& e) {
        traceException(e);
        m_selector.clear();
        m_socket.close();
        m_delegate.onServerError(e.getMessage());
        return;
    }
    m_stopFlag = false;
    try {
        LoopingThread::start();
    } catch (...) {
        // No loop will close the socket: do it here, so the port is free again.
        m_selector.clear();
        m_socket.close();
        throw;
    }
}

void CallbackServerImpl::setBindAddress(const std::string& dotted)
{
    m_bindAddress = dotted;
}

void CallbackServerImpl::setSenderFilter(const SenderFilter& filter)
{
    auto copy = std::make_shared<const SenderFilter>(filter);
    std::lock_guard lock(m_filterMutex);
    m_filter = std::move(copy);
}

void CallbackServerImpl::openSocket(int32_t port, const RawSocketAddress& local)
{
    // A port the platform would silently wrap (70000 is 4464) is refused.
    if (port < 0 || port > 65535)
        CORVANE_THROW(SocketException, EINVAL);
    m_socket.create();
    // Without address reuse another program cannot bind the port beside
    // this socket and take the recorders' datagrams, and a port that is
    // already taken fails here instead of being shared.
    const int off = 0;
    ::setsockopt(m_socket.getHandle(), SOL_SOCKET, SO_REUSEADDR, &off, sizeof off);
    m_socket.configureBlocking(false);
    enlargeReceiveBuffer();
    m_socket.bind(local);
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
            openSocket(m_port, m_local);
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
    // Room for a few hundred milliseconds of a busy fleet (50,000 small
    // datagrams a second take about 50 MB a second of the kernel's
    // accounting), so that datagrams survive while this thread waits for a
    // processor. A process allowed to administer the network (root) may go
    // past the system's cap (net.core.rmem_max); any other gets at most the
    // cap, which the trace tells so that an operator can raise it.
    const int handle = m_socket.getHandle();
    int bytes = receiveBufferBytes;
    if (setsockopt(handle, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) != 0)
        setsockopt(handle, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
    int granted = 0;
    socklen_t length = sizeof granted;
    if (getsockopt(handle, SOL_SOCKET, SO_RCVBUF, &granted, &length) == 0 &&
        granted < receiveBufferBytes)
        traceMessage("Callback port: receive buffer %d bytes of the %d asked for; raise "
                     "net.core.rmem_max for more",
                     granted, receiveBufferBytes);
}

void CallbackServerImpl::stop()
{
    m_stopFlag = true;
    m_selector.wakeup();
    join();
    m_port = 0;
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
            takeWhatWaits(sender);
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
        bool emptied = false;
        for (const SelectionKey& key : selected) {
            if (key.readyOps & SelectionKey::OpRead)
                emptied = receiveBurst(sender) || emptied;
        }
        if (emptied && !m_stopFlag)
            std::this_thread::sleep_for(std::chrono::milliseconds(gatherMs));
    }
}

void CallbackServerImpl::takeWhatWaits(SocketAddress& sender)
{
    // What the system has taken in for the station is the station's: an
    // orderly stop hands it on before the socket closes. A sender that goes
    // on is not followed past a full receive buffer of small datagrams.
    constexpr int limit = receiveBufferBytes / 256;
    if (m_socket.getHandle() < 0)
        return;
    for (int i = 0; i < limit; ++i) {
        if (!receive(sender))
            return;
    }
}

bool CallbackServerImpl::receiveBurst(SocketAddress& sender)
{
    // Datagrams that queued up while one was handled are taken without another
    // wait, a bounded number at a time so that stop is never kept waiting.
    for (int i = 0; i < burstLimit && !m_stopFlag; ++i) {
        if (!receive(sender))
            return i > 0;
    }
    return false;
}

bool CallbackServerImpl::allowed(const SocketAddress& sender)
{
    // Looked up per datagram: a new filter holds for every datagram taken
    // after setSenderFilter returned.
    std::shared_ptr<const SenderFilter> filter;
    {
        std::lock_guard lock(m_filterMutex);
        filter = m_filter;
    }
    if (filter->allows(sender.getAddress()))
        return true;
    if (m_counts != nullptr)
        m_counts->countRefusedSender();
    return false;
}

bool CallbackServerImpl::receive(SocketAddress& sender)
{
    int n;
    try {
        n = m_socket.tryRecvFrom(m_buffer, bufferSize, sender);
    } catch (const SocketException& e) {
        // A datagram beyond the buffer is a sender's doing, not the server's
        // failure: counted, and not a word per datagram.
        if (e.getCode() == EMSGSIZE) {
            countOversized();
            return true;
        }
        traceMessage("Error Code - %d", e.getCode());
        m_delegate.onServerError(e.getMessage());
        return true;
    }
    // Nothing (more) waiting: no failure, nothing was lost.
    if (n == DatagramSocket::wouldBlock)
        return false;
    if (n < 1 || !allowed(sender))
        return true;
    if (n > maxDatagram) {
        countOversized();
        return true;
    }
    m_buffer[n] = '\0';
    handleDatagram(sender.getAddress(), sender.getPort());
    return true;
}

void CallbackServerImpl::countOversized()
{
    if (m_counts != nullptr)
        m_counts->countOversized();
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
