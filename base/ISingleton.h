#pragma once

namespace corvane {

// Marker base of the process-wide single instances. Each such class creates
// itself on first use through its own static accessor, serialised by its own
// creation mutex, and says in its header how long the instance lives.
class ISingleton
{
public:
    virtual ~ISingleton() = default;

protected:
    ISingleton() = default;
    ISingleton(const ISingleton&) = delete;
    ISingleton& operator=(const ISingleton&) = delete;
};

} // namespace corvane
