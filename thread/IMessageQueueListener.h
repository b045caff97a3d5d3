#pragma once

#include "thread/MessageRing.h"

#include <cstdint>
#include <span>

namespace corvane {

// Told of what happens to a MessageQueue, for diagnosis or mirroring.
//
// Threads: called on the thread that puts, takes or clears, with the queue's
// mutex held: an implementation must not call back into the same queue.
// Ownership: the data passed in is only valid during the call.
class IMessageQueueListener
{
public:
    virtual ~IMessageQueueListener() = default;

    // A message made of `pieces` was stored.
    virtual void onPut(std::span<const MessagePiece> pieces) = 0;

    // The message `data` of `length` bytes was taken (all of it, even when the
    // taker's buffer was shorter).
    virtual void onTake(const void* data, int32_t length) = 0;

    // Every stored message was dropped.
    virtual void onClear() = 0;
};

} // namespace corvane
