#include "thread/MessageRing.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace corvane {

MessageRing::MessageRing(int32_t size)
    : m_size(std::max(size, kLengthSize)), m_wrapEnd(m_size),
      m_block(std::make_unique<uint8_t[]>(static_cast<size_t>(m_size)))
{}

int32_t MessageRing::largestGap() const
{
    if (m_read < m_write)
        return std::max(m_size - m_write, m_read);
    return m_read - m_write;
}

int32_t MessageRing::freeSpace() const
{
    if (isEmpty())
        return m_size - kLengthSize;
    const int32_t gap = largestGap();
    return gap >= kLengthSize + 1 ? gap - kLengthSize : 0;
}

bool MessageRing::fits(size_t length) const
{
    const int64_t room = isEmpty() ? m_size - kLengthSize : largestGap() - kLengthSize;
    return room >= 0 && length <= static_cast<uint64_t>(room);
}

void MessageRing::write(std::span<const MessagePiece> pieces, int32_t length)
{
    assert(fits(static_cast<size_t>(length)));
    if (m_read < m_write && m_size - m_write - kLengthSize < length) {
        m_wrapEnd = m_write;
        m_write = 0;
    }
    uint8_t* at = m_block.get() + m_write;
    std::memcpy(at, &length, kLengthSize);
    at += kLengthSize;
    for (const MessagePiece& piece : pieces) {
        if (piece.size > 0)
            std::memcpy(at, piece.data, piece.size);
        at += piece.size;
    }
    m_write += length + kLengthSize;
    if (m_write == m_size)
        m_write = 0;
    ++m_count;
    m_used += length + kLengthSize;
}

int32_t MessageRing::frontLength() const
{
    int32_t length;
    std::memcpy(&length, m_block.get() + m_read, kLengthSize);
    return length;
}

const uint8_t* MessageRing::frontData() const
{
    return m_block.get() + m_read + kLengthSize;
}

void MessageRing::remove()
{
    const int32_t removed = frontLength() + kLengthSize;
    m_read += removed;
    m_used -= removed;
    if (m_read == m_wrapEnd) {
        m_read = 0;
        m_wrapEnd = m_size;
    }
    if (--m_count == 0)
        reset();
}

void MessageRing::reset()
{
    m_read = 0;
    m_write = 0;
    m_count = 0;
    m_used = 0;
    m_wrapEnd = m_size;
}

} // namespace corvane
