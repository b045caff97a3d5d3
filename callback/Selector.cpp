#include "callback/Selector.h"

#include "base/SocketException.h"
#include "base/Trace.h"
#include "socket/ServerSocket.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <poll.h>

namespace corvane {

namespace {

// Which of the three handle sets a polled handle was put in.
enum : unsigned
{
    InReadSet = 1,
    InWriteSet = 2,
    InErrorSet = 4
};

// The readiness select() reports for a set, from poll()'s events: an error or a
// hang-up makes a socket readable, an error makes it writable, urgent data puts
// it in the error set.
constexpr short readableEvents = POLLIN | POLLHUP | POLLERR;
constexpr short writableEvents = POLLOUT | POLLERR;
constexpr short errorSetEvents = POLLPRI;

// A stranger may connect to the briefly listening port before our own reader
// does; such connections are dropped, a few times at most.
constexpr int acceptAttempts = 8;

bool samePeer(const RawSocketAddress& a, const RawSocketAddress& b)
{
    return a.getPort() == b.getPort() && a.getAddress() == b.getAddress();
}

} // namespace

Selector::Selector()
{
    ServerSocket listener;
    try {
        listener.create();
        listener.bind(0);
        listener.listen(INT_MAX);
        RawSocketAddress listening = listener.getLocalAddress();
        m_wakeReader.create();
        m_wakeReader.connect("127.0.0.1", listening.getPort());
        RawSocketAddress reader = m_wakeReader.getLocalAddress();
        for (int attempt = 0; attempt < acceptAttempts; ++attempt) {
            listener.accept(m_wakeWriter);
            if (m_wakeWriter.getHandle() == -1)
                CORVANE_THROW(SocketException, errno);
            if (samePeer(m_wakeWriter.getRemoteAddress(), reader))
                break;
            m_wakeWriter.close();
        }
        if (m_wakeWriter.getHandle() == -1)
            CORVANE_THROW(SocketException, ECONNREFUSED,
                          "wake-up pair: no connection from the reader");
        listener.close();
    } catch (...) {
        m_wakeWriter.close();
        m_wakeReader.close();
        listener.close();
        throw;
    }
}

Selector::~Selector()
{
    m_wakeReader.close();
    m_wakeWriter.close();
}

SelectionKey Selector::registerSocket(AbstractSocket& socket, int interestOps, void* attachment)
{
    SelectionKey& key = m_keys[socket.getHandle()];
    key = SelectionKey{&socket, interestOps, 0, attachment};
    return key;
}

int Selector::unregister(AbstractSocket& socket)
{
    return static_cast<int>(m_keys.erase(socket.getHandle()));
}

void Selector::clear()
{
    m_keys.clear();
}

int Selector::select(std::vector<SelectionKey>& selected)
{
    return doSelect(selected, -1);
}

int Selector::select(std::vector<SelectionKey>& selected, long timeoutMs)
{
    if (timeoutMs < 0)
        return -1; // the platform's select() refuses a negative time-out
    return doSelect(selected, timeoutMs);
}

int Selector::selectNow(std::vector<SelectionKey>& selected)
{
    return doSelect(selected, 0);
}

void Selector::wakeup()
{
    std::lock_guard<std::mutex> lock(m_wakeMutex);
    if (m_wakePending)
        return;
    // Only a byte actually sent is in flight; a failed send leaves the next
    // wakeup free to try again.
    if (m_wakeWriter.write("X", 1) == 1)
        m_wakePending = true;
}

void Selector::drain()
{
    std::lock_guard<std::mutex> lock(m_wakeMutex);
    char byte;
    m_wakeReader.read(&byte, 1);
    m_wakePending = false;
}

int Selector::doSelect(std::vector<SelectionKey>& selected, long timeoutMs)
{
    // Build the sets: the wake-up reader first, then every key in handle order.
    // The vectors keep their storage from call to call.
    std::vector<pollfd>& fds = m_polled;
    std::vector<unsigned>& sets = m_polledSets;
    std::vector<int>& entryOfKey = m_entryOfKey; // index into fds per key in map order, or -1
    fds.clear();
    sets.clear();
    entryOfKey.clear();

    const int wakeHandle = m_wakeReader.getHandle();
    fds.push_back({wakeHandle, POLLIN, 0});
    sets.push_back(InReadSet);
    int readCount = 1, writeCount = 0, errorCount = 0;
    for (const auto& [handle, key] : m_keys) {
        if (handle == wakeHandle) {
            entryOfKey.push_back(-1);
            continue;
        }
        unsigned in = 0;
        short events = 0;
        if ((key.interestOps & (SelectionKey::OpConnect | SelectionKey::OpWrite)) &&
            writeCount < maxHandlesPerSet) {
            in |= InWriteSet;
            events |= POLLOUT;
            ++writeCount;
        }
        if ((key.interestOps & (SelectionKey::OpAccept | SelectionKey::OpRead)) &&
            readCount < maxHandlesPerSet) {
            in |= InReadSet;
            events |= POLLIN;
            ++readCount;
        }
        if (errorCount < maxHandlesPerSet) {
            in |= InErrorSet;
            events |= POLLPRI;
            ++errorCount;
        }
        if (in == 0) {
            entryOfKey.push_back(-1);
            continue;
        }
        entryOfKey.push_back(static_cast<int>(fds.size()));
        fds.push_back({handle, events, 0});
        sets.push_back(in);
    }

    // Wait. A signal ends poll() early on this platform; the wait then goes on
    // for the time that is left, as a wait that signals cannot interrupt would.
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    int polled;
    while (true) {
        int wait = -1;
        if (timeoutMs >= 0) {
            auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            wait = left <= 0 ? 0 : left > INT_MAX ? INT_MAX : static_cast<int>(left);
        }
        polled = ::poll(fds.data(), fds.size(), wait);
        if (polled >= 0 || errno != EINTR)
            break;
    }
    if (polled < 0)
        return -1;
    if (polled == 0)
        return 0;

    // Count as select() does: one per handle and set in which it is ready.
    int count = 0;
    for (size_t i = 0; i < fds.size(); ++i) {
        short r = fds[i].revents;
        if (r & POLLNVAL)
            return -1; // select() fails outright on a handle that is not open
        count += (sets[i] & InReadSet) && (r & readableEvents);
        count += (sets[i] & InWriteSet) && (r & writableEvents);
        count += (sets[i] & InErrorSet) && (r & errorSetEvents);
    }
    if (count == 0)
        return 0;

    if (fds[0].revents & readableEvents) {
        drain();
        --count;
    }

    size_t k = 0;
    for (auto& [handle, key] : m_keys) {
        int entry = entryOfKey[k++];
        key.readyOps = 0;
        if (entry < 0)
            continue;
        short r = fds[entry].revents;
        unsigned in = sets[entry];
        if ((in & InErrorSet) && (r & errorSetEvents)) {
            traceMessage("ERROR SET");
            continue;
        }
        if ((in & InReadSet) && (r & readableEvents)) {
            key.readyOps |= (key.interestOps & SelectionKey::OpAccept) ? SelectionKey::OpAccept
                                                                       : SelectionKey::OpRead;
        }
        if ((in & InWriteSet) && (r & writableEvents)) {
            key.readyOps |= (key.interestOps & SelectionKey::OpConnect) ? SelectionKey::OpConnect
                                                                        : SelectionKey::OpWrite;
        }
        if (key.readyOps != 0)
            selected.push_back(key);
    }
    return count;
}

} // namespace corvane
