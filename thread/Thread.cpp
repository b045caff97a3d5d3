#include "thread/Thread.h"

#include "base/Exception.h"
#include "base/StandardException.h"
#include "base/SystemException.h"
#include "base/Trace.h"
#include "base/UnknownException.h"
#include "thread/DefaultUncaughtExceptionHandler.h"
#include "thread/NullThread.h"

#include <cerrno>
#include <cstdio>
#include <exception>
#include <map>
#include <pthread.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace corvane {

namespace {

// Operating-system thread id -> running Thread. Never destroyed, so that a
// thread still finishing while the process exits finds it intact.
struct Registry
{
    std::mutex mutex;
    std::map<uint32_t, Thread*> threads;
};

Registry& registry()
{
    static Registry* instance = new Registry;
    return *instance;
}

std::atomic<IUncaughtExceptionHandler*> g_handler{nullptr};

// Receives the two start attributes of every thread; this station gives
// them no meaning.
void startHook(int32_t, int32_t) {}

} // namespace

Thread::Thread(const char* name, int32_t attribute1, int32_t attribute2)
    : m_attribute1(attribute1), m_attribute2(attribute2), m_runnable(*this),
      m_name(name ? name : "")
{}

Thread::Thread(IRunnable& body, const char* name, int32_t attribute1, int32_t attribute2)
    : m_attribute1(attribute1), m_attribute2(attribute2), m_runnable(body), m_name(name ? name : "")
{}

Thread::~Thread() = default;

void Thread::start()
{
    {
        std::lock_guard<std::mutex> lock(m_doneMutex);
        if (!m_done)
            CORVANE_THROW(SystemException, EBUSY);
        m_done = false;
    }
    try {
        std::thread(&Thread::entry, this).detach();
    } catch (const std::system_error& e) {
        // The done event stays reset, as after any failed creation.
        CORVANE_THROW(SystemException, e.code().value());
    }
    m_hasHandle = true;
}

void Thread::join()
{
    if (!m_hasHandle)
        return;
    std::unique_lock<std::mutex> lock(m_doneMutex);
    m_doneEvent.wait(lock, [this] { return m_done; });
}

bool Thread::isRunning() const
{
    std::lock_guard<std::mutex> lock(m_doneMutex);
    return !m_done;
}

Thread& Thread::currentThread()
{
    const uint32_t id = static_cast<uint32_t>(gettid());
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    const auto found = r.threads.find(id);
    if (found != r.threads.end())
        return *found->second;
    return NullThread::instance();
}

IUncaughtExceptionHandler& Thread::uncaughtExceptionHandler()
{
    static DefaultUncaughtExceptionHandler defaultHandler;
    IUncaughtExceptionHandler* handler = g_handler.load();
    return handler ? *handler : defaultHandler;
}

void Thread::setUncaughtExceptionHandler(IUncaughtExceptionHandler* handler)
{
    g_handler.store(handler);
}

void Thread::entry(Thread* self)
{
    self->runBody();
    // Nothing may touch *self after this: the owner may destroy it as soon as
    // join() returns.
    self->setDone();
}

void Thread::runBody()
{
    const uint32_t id = static_cast<uint32_t>(gettid());
    m_id = id;
    {
        std::lock_guard<std::mutex> lock(registry().mutex);
        registry().threads[id] = this;
    }
    // The system's tools (top -H, /proc/<pid>/task) show the thread by name;
    // they keep its first 15 bytes.
    char shortName[16];
    std::snprintf(shortName, sizeof shortName, "%s", m_name != nullptr ? m_name : "");
    pthread_setname_np(pthread_self(), shortName);
    startHook(m_attribute1, m_attribute2);
    traceMessage("Starting thread: \"%s\"(ID=%u)", m_name, id);
    try {
        m_runnable.run();
        traceMessage("Finishing thread: \"%s\"(ID=%u)", m_name, id);
    } catch (Exception& e) {
        traceException(e);
        uncaughtExceptionHandler().uncaughtException(*this, e);
    } catch (const std::exception& e) {
        StandardException wrapped(e);
        traceException(wrapped);
        uncaughtExceptionHandler().uncaughtException(*this, wrapped);
    } catch (...) {
        UnknownException wrapped;
        traceException(wrapped);
        uncaughtExceptionHandler().uncaughtException(*this, wrapped);
    }
    std::lock_guard<std::mutex> lock(registry().mutex);
    registry().threads.erase(id);
}

void Thread::setDone()
{
    std::lock_guard<std::mutex> lock(m_doneMutex);
    m_done = true;
    m_doneEvent.notify_all();
}

} // namespace corvane
