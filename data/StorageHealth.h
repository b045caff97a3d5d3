#pragma once

#include <mutex>
#include <string>

namespace corvane {

class StorageListener;

// Tells a StorageListener about the writer's problems once each: a problem
// of the same kind as the one already told stays silent, a different kind is
// told, and the first success after a problem is told once as recovery.
//
// Ownership: borrows the listener, which must outlive its registration
// (setListener(nullptr) before it goes). Threads: any; calls are serialised,
// and the listener is called under that lock. Throws: never but
// std::bad_alloc.
class StorageHealth
{
public:
    enum class Problem
    {
        None,
        Fault,    // the file refuses to be read or written
        LowSpace, // the disk is below the free space floor
        Ended     // the writer thread is gone
    };

    void setListener(StorageListener* listener);

    // Tells text unless a problem of this kind is the one last told.
    void report(Problem problem, const std::string& text);
    // Tells text when a problem was told and not yet cleared.
    void clear(const std::string& text);

    Problem current() const;
    // Forgets the problem without telling (a file opened anew).
    void reset();

private:
    mutable std::mutex m_mutex;
    StorageListener* m_listener = nullptr;
    Problem m_current = Problem::None;
};

} // namespace corvane
