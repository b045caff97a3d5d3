#include "base/Exception.h"
#include "base/IUncaughtExceptionHandler.h"
#include "base/StandardException.h"
#include "base/SystemException.h"
#include "base/UnknownException.h"
#include "thread/NullThread.h"
#include "thread/Thread.h"

#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <unistd.h>

namespace corvane {
namespace {

// Records what reaches the process's handler while installed.
class RecordingHandler : public IUncaughtExceptionHandler
{
public:
    RecordingHandler() { Thread::setUncaughtExceptionHandler(this); }
    ~RecordingHandler() override { Thread::setUncaughtExceptionHandler(nullptr); }

    void uncaughtException(Thread& thread, Exception& e) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        ++calls;
        this->thread = &thread;
        current = &Thread::currentThread();
        type = typeid(e).name();
        name = e.getName();
        message = e.getMessage();
        code = e.getCode();
        function = e.getFunction();
    }

    std::mutex mutex;
    int calls = 0;
    Thread* thread = nullptr;
    Thread* current = nullptr;
    std::string type, name, message, function;
    int code = -1;
};

class Body : public IRunnable
{
public:
    explicit Body(void (*action)()) : m_action(action) {}
    void run() override
    {
        current = &Thread::currentThread();
        id = static_cast<uint32_t>(gettid());
        ++runs;
        m_action();
    }

    Thread* current = nullptr;
    uint32_t id = 0;
    std::atomic<int> runs{0};

private:
    void (*m_action)();
};

TEST(Thread, MainThreadIsTheNullThread)
{
    Thread& current = Thread::currentThread();
    EXPECT_EQ(&current, &NullThread::instance());
    EXPECT_STREQ(current.getName(), "Null");
    EXPECT_EQ(current.getAttribute1(), 1);
    EXPECT_EQ(current.getAttribute2(), 2);
}

TEST(Thread, JoinWithoutStartReturnsAtOnce)
{
    Thread thread("never started");
    EXPECT_FALSE(thread.isRunning());
    thread.join();
    EXPECT_STREQ(Thread().getName(), "");
}

TEST(Thread, RunsItsBodyRegisteredUnderItsIdAndCanRunAgain)
{
    Body body([] {});
    Thread thread(body, "worker");
    for (int run = 1; run <= 2; ++run) {
        thread.start();
        thread.join();
        EXPECT_EQ(body.runs, run);
        EXPECT_EQ(body.current, &thread);
        EXPECT_EQ(thread.getId(), body.id);
        EXPECT_FALSE(thread.isRunning());
    }
    EXPECT_EQ(&Thread::currentThread(), &NullThread::instance());
}

TEST(Thread, StartingARunningThreadIsRefused)
{
    static std::mutex gate;
    std::unique_lock<std::mutex> hold(gate);
    Body body([] { std::lock_guard<std::mutex> wait(gate); });
    Thread thread(body, "busy");
    thread.start();
    try {
        thread.start();
        ADD_FAILURE() << "second start accepted";
    } catch (const SystemException& e) {
        EXPECT_EQ(e.getCode(), EBUSY);
    }
    hold.unlock();
    thread.join();
    EXPECT_EQ(body.runs, 1);
}

struct EscapeCase
{
    const char* label;
    void (*action)();
    const char* type;
    const char* name;
    const char* message;
    int code;
};

TEST(Thread, WhateverEscapesTheBodyReachesTheHandler)
{
    const EscapeCase cases[] = {
        {"standard", [] { throw std::runtime_error("disk on fire"); },
         typeid(StandardException).name(), "UnknownException", "disk on fire", 0},
        {"out of memory", [] { throw std::bad_alloc(); }, typeid(StandardException).name(),
         "UnknownException", std::bad_alloc().what(), 0},
        {"integer", [] { throw 42; }, typeid(UnknownException).name(), "UnknownException",
         "unknown_message", 0},
        {"system", [] { CORVANE_THROW(SystemException, ENOENT); }, typeid(SystemException).name(),
         "SystemException", nullptr, ENOENT},
    };
    for (const EscapeCase& c : cases) {
        SCOPED_TRACE(c.label);
        RecordingHandler handler;
        Body body(c.action);
        Thread thread(body, "thrower");
        thread.start();
        thread.join();
        std::lock_guard<std::mutex> lock(handler.mutex);
        EXPECT_EQ(handler.calls, 1);
        EXPECT_EQ(handler.thread, &thread);
        // Still registered while the handler runs.
        EXPECT_EQ(handler.current, &thread);
        EXPECT_EQ(handler.type, c.type);
        EXPECT_EQ(handler.name, c.name);
        EXPECT_EQ(handler.code, c.code);
        if (c.message)
            EXPECT_EQ(handler.message, c.message);
        else
            EXPECT_FALSE(handler.message.empty());
    }
    EXPECT_EQ(&Thread::currentThread(), &NullThread::instance());
}

TEST(Thread, DefaultHandlerIsSilentAndTheProcessGoesOn)
{
    Body body([] { throw std::logic_error("ignored"); });
    Thread thread(body, "silent");
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    thread.start();
    thread.join();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(body.runs, 1);
}

} // namespace
} // namespace corvane
