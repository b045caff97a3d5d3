#pragma once

#include <atomic>
#include <memory>
#include <mutex>

namespace corvane {

class ISingleton;

// The process-wide list of single instances (DBManager, Setup and the record
// containers). Each instance registers itself from its constructor; at
// process exit, after main() has returned, the registry destroys every
// registered instance through its virtual destructor in the order of
// registration, first registered first.
//
// Ownership: a registered instance belongs to the registry from then on.
// Threads: add() may be called from any thread. Throws: std::bad_alloc.
class SingletonRegistry
{
public:
    static void add(ISingleton* instance);

    // True once destruction at exit has begun; getInstance() callers that
    // may run that late check it instead of reviving a destroyed instance.
    static bool isShuttingDown() noexcept;

    // The getInstance() pattern: returns the stored instance; otherwise,
    // under the class's own creation mutex, checks again, creates it with
    // `make`, registers it and stores it.
    template <typename T, typename Make>
    static T& obtain(std::atomic<T*>& slot, std::recursive_mutex& creation, Make make)
    {
        T* instance = slot.load(std::memory_order_acquire);
        if (instance != nullptr)
            return *instance;
        std::lock_guard lock(creation);
        instance = slot.load(std::memory_order_relaxed);
        if (instance == nullptr) {
            std::unique_ptr<T> made(make());
            add(made.get());
            instance = made.release();
            slot.store(instance, std::memory_order_release);
        }
        return *instance;
    }
};

} // namespace corvane
