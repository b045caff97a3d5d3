#pragma once

#include "callback/CallbackMessageParser.h"
#include "callback/CallbackServerDelegate.h"
#include "callback/QuellonCallbackServer.h"
#include "callback/Selector.h"
#include "callback/SenderFilter.h"
#include "socket/DatagramSocket.h"
#include "socket/RawSocketAddress.h"
#include "thread/LoopingThread.h"

#include <atomic>
#include <cstdint>
#include <mutex>

namespace corvane {

class DropCounts;
class SocketAddress;

// The UDP callback server: one datagram socket bound to the callback port on
// every local IPv4 address (or the one set with setBindAddress), read by the
// thread "Callback Server". The socket does not allow address reuse, so a
// port another socket holds is a start failure, and no other socket can take
// the port while the server holds it. Datagrams from senders the filter does
// not allow are dropped before they are parsed and counted in the drop
// counts. Each datagram of 1 to 4094 bytes becomes one CallbackInfo handed to
// the delegate in arrival order; empty datagrams are dropped, and longer ones
// are dropped and counted in the drop counts (as oversized) without being
// read or reported. The loop waits on its selector at most 5000 ms per pass;
// stop wakes it at once. Once woken by a datagram it takes up to 64 that wait
// without another wait, checking for stop between them. When a pass has
// emptied the socket it rests gatherMs before waiting again, so that a busy
// fleet's datagrams are taken by the dozen per wake-up instead of one (each
// wake-up of this thread, and of the decider it hands them to, costs more than
// the datagram); the first datagram after a quiet spell is never delayed.
// Stop waits at most that rest and the taking of what already waits in the
// socket, which is handed over too: what the system received for the station
// is not dropped by an orderly close. The socket asks for a 4 MB receive
// buffer (the system may cap it) so that bursts outlast short stalls of the
// thread. When the wait itself fails, the socket is closed, the delegate hears
// onReceptionFailed, and the loop opens the same port again after
// restartPauseMs (again and again while that fails; stop ends the pause at
// once).
//
// Ownership: owns its parser, selector, socket, filter and receive buffer; the
// delegate and the drop counts are not owned and must outlive the server. The
// socket is closed by the receive loop when it ends, or by start when start
// fails.
// Threads: start, stop, setBindAddress and destruction belong to the owner's
// thread, setSenderFilter to any thread; the delegate is called on the
// receive thread (and on the owner's thread for start failures).
// Throws: start raises SystemException when the thread cannot be created;
// nothing else throws except std::bad_alloc.
class CallbackServerImpl : public QuellonCallbackServer, private LoopingThread
{
public:
    static constexpr int32_t bufferSize = 4096;         // largest datagram received
    static constexpr int32_t maxDatagram = 4094;        // largest datagram accepted
    static constexpr long selectTimeoutMs = 5000;       // longest wait per pass
    static constexpr int burstLimit = 64;               // datagrams taken per readiness
    static constexpr int receiveBufferBytes = 16 << 20; // asked for; see enlargeReceiveBuffer
    static constexpr long restartPauseMs = 1000;
    static constexpr long gatherMs = 2; // rest after a pass emptied the socket

    // counts: where refused senders and oversized datagrams are counted; may be null.
    explicit CallbackServerImpl(CallbackServerDelegate& delegate, DropCounts* counts = nullptr);
    // Stops the receive thread first when it still runs.
    ~CallbackServerImpl() override;

    // A running server is stopped first, so one thread at most ever runs.
    void start(int32_t port) override;
    void stop() override;
    void setBindAddress(const std::string& dotted) override;
    void setSenderFilter(const SenderFilter& filter) override;

    // The port of the last start; 0 after stop. Owner's thread.
    int32_t getPort() const { return m_port; }

private:
    void run() override;
    void endLoop();
    // Creates, binds (to `local`, without address reuse) and registers the
    // socket. Throws: SocketException.
    void openSocket(int32_t port, const RawSocketAddress& local);
    // After a failed wait: true once the port is open again, false on stop.
    bool reopenAfterPause();
    void enlargeReceiveBuffer();
    // At stop: takes the datagrams already waiting in the socket.
    void takeWhatWaits(SocketAddress& sender);
    // True when it took at least one datagram and then found none waiting.
    bool receiveBurst(SocketAddress& sender);
    // One datagram; false when none was waiting.
    bool receive(SocketAddress& sender);
    // Whether the filter takes this sender; counts it when not.
    bool allowed(const SocketAddress& sender);
    void countOversized();
    void handleDatagram(const char* address, int32_t port);

    CallbackMessageParser m_parser;
    Selector m_selector;
    DatagramSocket m_socket;
    CallbackServerDelegate& m_delegate;
    DropCounts* m_counts;
    std::string m_bindAddress;
    std::mutex m_filterMutex; // guards m_filter
    std::shared_ptr<const SenderFilter> m_filter = std::make_shared<const SenderFilter>();
    std::atomic<bool> m_stopFlag{false};
    char m_buffer[bufferSize + 1];
    int32_t m_port = 0;
    // Where the last start bound; a reopen after a failed wait binds there again.
    RawSocketAddress m_local;
};

} // namespace corvane
