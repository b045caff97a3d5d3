#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace corvane {

// One part of a message handed to MessageRing::write / MessageQueue::put; the
// pieces of one message are stored one after the other behind one length.
struct MessagePiece
{
    const void* data;
    size_t size;
};

// The storage of a MessageQueue: variable-length messages in one ring of bytes.
// Each message is a 4-byte length (machine byte order) followed by its bytes,
// never split across the end of the ring: a writer that does not fit before the
// end goes back to 0 and marks where the readable data ends (the wrap end).
//
// Contract: a fresh ring of size S holds one message of at most S - 4 bytes;
// write() may only be called when fits() says so, read operations only when
// the ring is not empty.
// Ownership: the ring owns its byte block.
// Threads: none of its own; the owning queue serialises every call.
// Throws: std::bad_alloc from the constructor only.
class MessageRing
{
public:
    static constexpr int32_t kLengthSize = 4;

    // `size` bytes of storage; at least kLengthSize.
    explicit MessageRing(int32_t size);
    MessageRing(const MessageRing&) = delete;
    MessageRing& operator=(const MessageRing&) = delete;

    // Room for one more message's bytes: S - 4 when empty; otherwise, with b
    // the largest contiguous gap, b - 4 when b is at least 5, else 0.
    int32_t freeSpace() const;

    // Whether a message of `length` bytes can be written now (its length
    // field included). Agrees with freeSpace() for every length above 0; an
    // empty message still needs room for its 4-byte length.
    bool fits(size_t length) const;

    // Appends one message made of `pieces`, whose sizes add up to `length`.
    void write(std::span<const MessagePiece> pieces, int32_t length);

    // The length and bytes of the oldest message (valid until the next
    // remove(), write() or reset()).
    int32_t frontLength() const;
    const uint8_t* frontData() const;

    // Drops the oldest message.
    void remove();

    // Drops every message; the next one is written at position 0.
    void reset();

    bool isEmpty() const { return m_count == 0; }
    int32_t count() const { return m_count; }
    // The bytes the stored messages take, their 4-byte lengths included
    // (what a wrap leaves unused at the end is not counted).
    int32_t usedBytes() const { return m_used; }
    int32_t size() const { return m_size; }
    int32_t readPosition() const { return m_read; }
    int32_t writePosition() const { return m_write; }
    int32_t wrapEnd() const { return m_wrapEnd; }

private:
    int32_t largestGap() const;

    int32_t m_size;
    int32_t m_wrapEnd;
    int32_t m_read = 0;
    int32_t m_write = 0;
    int32_t m_count = 0;
    int32_t m_used = 0;
    std::unique_ptr<uint8_t[]> m_block;
};

} // namespace corvane
