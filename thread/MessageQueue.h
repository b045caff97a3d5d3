#pragma once

#include "thread/Condition.h"
#include "thread/IMessageQueueListener.h"
#include "thread/MessageRing.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>

namespace corvane {

// A bounded first-in-first-out queue of variable-length byte messages kept in
// one MessageRing, with blocking and time-limited put and take, clear and
// close. Producers that must never wait put with a limit of 0 ms: a full queue
// then drops the message (put returns false).
//
// Limits: a message is stored only while fewer than `maximumCount` messages
// are held and the ring has room for it; one longer than ringSize - 4 bytes
// never fits (an unlimited put of it waits until the queue is closed).
// After close() every put returns false and every take returns 0 at once;
// messages still stored are never delivered.
//
// Threads: every operation may be called from any thread at any time; all
// state is guarded by one mutex, and the listener is called with it held.
// Ownership: the queue owns its ring; the listener is not owned and must
// outlive the queue.
// Throws: std::bad_alloc from the constructor only.
class MessageQueue
{
public:
    MessageQueue(int32_t ringSize, IMessageQueueListener* listener, int32_t maximumCount);
    MessageQueue(const MessageQueue&) = delete;
    MessageQueue& operator=(const MessageQueue&) = delete;

    // Stores one message; waits until there is room. False when closed.
    bool put(const void* data, size_t length);
    bool put(std::span<const MessagePiece> pieces);

    // As put(), but gives up after `milliseconds` (0: a single non-blocking
    // attempt) and returns false.
    bool put(const void* data, size_t length, int32_t milliseconds);
    bool put(std::span<const MessagePiece> pieces, int32_t milliseconds);

    // Takes the oldest message into `buffer`; waits until there is one.
    // Returns the number of bytes written to `buffer`, or 0 when closed.
    // A message longer than `size` is cut: its first `size` bytes are copied,
    // the rest is dropped, and `size` is returned.
    int32_t take(void* buffer, size_t size);

    // As take(), but gives up after `milliseconds` and returns 0.
    int32_t take(void* buffer, size_t size, int32_t milliseconds);

    // Drops every stored message.
    void clear();

    // Closes the queue for good and wakes every waiter.
    void close();

    bool isClosed() const;
    int32_t count() const;
    // The bytes the stored messages take in the ring, each message's 4-byte
    // length included.
    int32_t bytes() const;

    // Threads blocked in put or take right now (for diagnosis and tests).
    int32_t waiting() const;

private:
    static constexpr int32_t kNoLimit = -1;

    bool putPieces(std::span<const MessagePiece> pieces, int32_t milliseconds);
    int32_t takeInto(void* buffer, size_t size, int32_t milliseconds);

    const int32_t m_maximumCount;
    MessageRing m_ring;
    mutable std::mutex m_mutex;
    Condition m_notEmpty{m_mutex};
    Condition m_notFull{m_mutex};
    IMessageQueueListener* const m_listener;
    bool m_closed = false;
};

} // namespace corvane
