#pragma once

#include "callback/SelectionKey.h"
#include "socket/Socket.h"

#include <map>
#include <mutex>
#include <poll.h>
#include <vector>

namespace corvane {

// Lets one thread wait on many sockets at once, tells it which are ready for
// what, and can be woken from another thread while it waits.
//
// The wake-up pair is a loopback TCP connection built at construction: wakeup()
// sends one byte on one end, select() watches the other end and consumes the
// byte. At most one byte is ever in flight, however often wakeup() is called; a
// wakeup() while nobody waits makes the next select() return at once.
//
// The wait is poll(), with the readiness rules of the platform's select(): a
// socket with a pending error or a hang-up counts as readable (and writable when
// watched for writing), so its next read or write reports the failure; urgent
// data puts it in the error set. Each of the three handle sets (read, write,
// error) holds at most 1024 handles, the wake-up reader included; registered
// handles beyond that are left out of that set silently.
//
// Ownership: owns the two ends of the wake-up pair and closes them on
// destruction; registered sockets and attachments are not owned and never
// touched beyond the wait. Threads: registerSocket, unregister, clear and the
// select family belong to the owning thread (the key map has no lock); wakeup
// may be called from any thread. Throws: construction raises SocketException
// when the wake-up pair cannot be built; nothing else throws except
// std::bad_alloc.
class Selector
{
public:
    static constexpr int maxHandlesPerSet = 1024;

    Selector();
    ~Selector();
    Selector(const Selector&) = delete;
    Selector& operator=(const Selector&) = delete;

    // Stores a key with ready ops 0 under the socket's handle, replacing any key
    // already stored for that handle, and returns a copy of it.
    SelectionKey registerSocket(AbstractSocket& socket, int interestOps, void* attachment);
    // Number of keys removed: 0 or 1.
    int unregister(AbstractSocket& socket);
    void clear();
    size_t keyCount() const { return m_keys.size(); }

    // Wait for readiness: without limit, at most timeoutMs milliseconds, or not
    // at all. Ready keys are appended to `selected` in handle order (the list is
    // not emptied first). Returns the count of ready handle-and-set pairs, less
    // one when the wake-up pair was among them; 0 on time-out or when only
    // woken; -1 when the wait failed (a negative timeout, or a registered handle
    // that is not open), keys unchanged. An interrupted wait resumes with the
    // time that is left.
    int select(std::vector<SelectionKey>& selected);
    int select(std::vector<SelectionKey>& selected, long timeoutMs);
    int selectNow(std::vector<SelectionKey>& selected);

    // Makes a waiting select(), or the next one, return. Any thread.
    void wakeup();

private:
    int doSelect(std::vector<SelectionKey>& selected, long timeoutMs);
    void drain();

    Socket m_wakeWriter;
    Socket m_wakeReader;
    bool m_wakePending = false;
    std::mutex m_wakeMutex;
    std::map<int, SelectionKey> m_keys;
    // Scratch space of doSelect, kept to spare an allocation per wait.
    std::vector<pollfd> m_polled;
    std::vector<unsigned> m_polledSets;
    std::vector<int> m_entryOfKey;
};

} // namespace corvane
