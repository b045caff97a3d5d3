#include "thread/MessageQueue.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace corvane {

namespace {

// The total of the pieces' sizes, or SIZE_MAX when it overflows (such a
// message can never fit).
size_t totalLength(std::span<const MessagePiece> pieces)
{
    size_t total = 0;
    for (const MessagePiece& piece : pieces) {
        if (piece.size > std::numeric_limits<size_t>::max() - total)
            return std::numeric_limits<size_t>::max();
        total += piece.size;
    }
    return total;
}

} // namespace

MessageQueue::MessageQueue(int32_t ringSize, IMessageQueueListener* listener, int32_t maximumCount)
    : m_maximumCount(maximumCount), m_ring(ringSize), m_listener(listener)
{}

bool MessageQueue::put(const void* data, size_t length)
{
    const MessagePiece piece{data, length};
    return putPieces({&piece, 1}, kNoLimit);
}

bool MessageQueue::put(std::span<const MessagePiece> pieces)
{
    return putPieces(pieces, kNoLimit);
}

bool MessageQueue::put(const void* data, size_t length, int32_t milliseconds)
{
    const MessagePiece piece{data, length};
    return putPieces({&piece, 1}, std::max(milliseconds, 0));
}

bool MessageQueue::put(std::span<const MessagePiece> pieces, int32_t milliseconds)
{
    return putPieces(pieces, std::max(milliseconds, 0));
}

bool MessageQueue::putPieces(std::span<const MessagePiece> pieces, int32_t milliseconds)
{
    const size_t total = totalLength(pieces);
    std::lock_guard<std::mutex> lock(m_mutex);
    while (!m_closed && (m_ring.count() >= m_maximumCount || !m_ring.fits(total))) {
        if (milliseconds == kNoLimit)
            m_notFull.wait();
        else if (!m_notFull.timedWait(milliseconds))
            return false;
    }
    if (m_closed)
        return false;
    m_ring.write(pieces, static_cast<int32_t>(total));
    if (m_listener)
        m_listener->onPut(pieces);
    m_notEmpty.signal();
    return true;
}

int32_t MessageQueue::take(void* buffer, size_t size)
{
    return takeInto(buffer, size, kNoLimit);
}

int32_t MessageQueue::take(void* buffer, size_t size, int32_t milliseconds)
{
    return takeInto(buffer, size, std::max(milliseconds, 0));
}

int32_t MessageQueue::takeInto(void* buffer, size_t size, int32_t milliseconds)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    while (!m_closed && m_ring.isEmpty()) {
        if (milliseconds == kNoLimit)
            m_notEmpty.wait();
        else if (!m_notEmpty.timedWait(milliseconds))
            return 0;
    }
    if (m_closed)
        return 0;
    const int32_t length = m_ring.frontLength();
    // Never write past the caller's buffer: a longer message is cut.
    const int32_t copied =
        static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(length), size));
    if (copied > 0)
        std::memcpy(buffer, m_ring.frontData(), static_cast<size_t>(copied));
    if (m_listener)
        m_listener->onTake(m_ring.frontData(), length);
    m_ring.remove();
    // Wake every waiting producer, not just one: a producer whose message is
    // still too long would otherwise swallow the wake-up that a shorter one
    // needed, and the shorter one could wait on an empty queue.
    m_notFull.signalAll();
    return copied;
}

void MessageQueue::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_ring.reset();
    if (m_listener)
        m_listener->onClear();
    // Every producer may now find room.
    m_notFull.signalAll();
}

void MessageQueue::close()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closed = true;
    m_notEmpty.signalAll();
    m_notFull.signalAll();
}

bool MessageQueue::isClosed() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_closed;
}

int32_t MessageQueue::count() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_ring.count();
}

int32_t MessageQueue::bytes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_ring.usedBytes();
}

int32_t MessageQueue::waiting() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_notEmpty.waiters() + m_notFull.waiters();
}

} // namespace corvane
