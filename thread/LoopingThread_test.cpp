#include "thread/LoopingThread.h"

#include "testsupport/DeadlineWait.h"

#include <atomic>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

namespace corvane {
namespace {

using test::waitFor;

// Counts its hooks; a step can be held at a gate until the test opens it, and
// the loop can be told to suspend or stop itself after a given step.
class CountingLoop : public LoopingThread
{
public:
    CountingLoop() : LoopingThread("counting") {}

    void openGate()
    {
        std::lock_guard<std::mutex> lock(m_gateMutex);
        m_gateOpen = true;
        m_gateEvent.notify_all();
    }

    std::atomic<int> starts{0}, steps{0}, finishes{0};
    std::atomic<bool> inStep{false};
    bool holdSteps = false;
    int suspendAfter = -1;
    int stopAfter = -1;

protected:
    void onStart() override { ++starts; }
    void onFinish() override { ++finishes; }
    void step() override
    {
        inStep = true;
        if (holdSteps) {
            std::unique_lock<std::mutex> lock(m_gateMutex);
            m_gateEvent.wait(lock, [this] { return m_gateOpen; });
        }
        const int done = ++steps;
        inStep = false;
        if (done == suspendAfter)
            suspend();
        if (done == stopAfter)
            stop();
    }

private:
    std::mutex m_gateMutex;
    std::condition_variable m_gateEvent;
    bool m_gateOpen = false;
};

TEST(LoopingThread, StopBeforeStartRunsOnlyTheHooks)
{
    CountingLoop loop;
    loop.stop();
    loop.start();
    loop.join();
    EXPECT_EQ(loop.starts, 1);
    EXPECT_EQ(loop.steps, 0);
    EXPECT_EQ(loop.finishes, 1);
    EXPECT_EQ(loop.getState(), LoopingThread::Idle);
}

TEST(LoopingThread, StopDuringAStepTakesEffectAfterIt)
{
    CountingLoop loop;
    loop.holdSteps = true;
    loop.start();
    ASSERT_TRUE(waitFor([&] { return loop.inStep.load(); }));
    loop.stop(); // returns without waiting for the held step
    EXPECT_TRUE(loop.isRunning());
    loop.openGate();
    loop.join();
    EXPECT_EQ(loop.steps, 1);
    EXPECT_EQ(loop.finishes, 1);
}

TEST(LoopingThread, SuspendedLoopResumesAndStopsAndRestarts)
{
    CountingLoop loop;
    loop.suspendAfter = 3;
    loop.stopAfter = 6;
    loop.start();
    ASSERT_TRUE(waitFor([&] { return loop.getState() == LoopingThread::Suspended; }));
    EXPECT_EQ(loop.steps, 3);
    loop.resume();
    loop.join();
    EXPECT_EQ(loop.steps, 6);
    EXPECT_EQ(loop.finishes, 1);

    // A held loop is released by stop alone; the owner clears the request
    // before starting again.
    loop.clearStopRequest();
    loop.suspendAfter = 8;
    loop.stopAfter = -1;
    loop.start();
    ASSERT_TRUE(waitFor([&] { return loop.getState() == LoopingThread::Suspended; }));
    loop.stop();
    loop.join();
    EXPECT_EQ(loop.steps, 8);
    EXPECT_EQ(loop.starts, 2);
    EXPECT_EQ(loop.finishes, 2);
    EXPECT_EQ(loop.getState(), LoopingThread::Idle);
}

} // namespace
} // namespace corvane
