#include "data/SingletonRegistry.h"

#include "base/ISingleton.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace corvane {

namespace {

std::atomic<bool> g_shuttingDown{false};

class Registry
{
public:
    ~Registry()
    {
        g_shuttingDown = true;
        std::vector<ISingleton*> instances;
        {
            std::lock_guard lock(m_mutex);
            instances.swap(m_instances);
        }
        for (ISingleton* instance : instances)
            delete instance;
    }

    void add(ISingleton* instance)
    {
        std::lock_guard lock(m_mutex);
        m_instances.push_back(instance);
    }

private:
    std::mutex m_mutex;
    std::vector<ISingleton*> m_instances;
};

// Constructed on the first registration, so it is destroyed at exit before
// every object of static duration that existed before it (the mutexes the
// instances use among them).
Registry& registry()
{
    static Registry instance;
    return instance;
}

} // namespace

void SingletonRegistry::add(ISingleton* instance)
{
    registry().add(instance);
}

bool SingletonRegistry::isShuttingDown() noexcept
{
    return g_shuttingDown;
}

} // namespace corvane
