#include "platform/Threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Runs queued calls until Done or the time is up; true when Done.
template <typename Pred> bool PumpUntil(Pred Done, std::chrono::milliseconds Limit)
{
    const auto deadline = std::chrono::steady_clock::now() + Limit;
    while (!Done() && std::chrono::steady_clock::now() < deadline)
        CheckSynchronize(10);
    return Done();
}

} // namespace

TEST(ThreadsTest, ACallMayWaitForOneQueuedBehindIt)
{
    // A painter's event handler stopping another painter waits for that one's
    // queued call to run or be cancelled, from inside its own call.
    ASSERT_TRUE(IsMainThread());
    std::atomic<bool> firstQueued{false}, secondRan{false}, cancelled{false};
    bool secondSeen = false;
    std::thread first([&] {
        firstQueued = true;
        Synchronize([&] { secondSeen = PumpUntil([&] { return secondRan.load(); }, 2000ms); });
    });
    while (!firstQueued)
        std::this_thread::yield();
    std::this_thread::sleep_for(50ms);
    std::thread second([&] { Synchronize([&] { secondRan = true; }, [&] { return cancelled.load(); }); });
    std::this_thread::sleep_for(50ms); // both calls wait in the queue now

    EXPECT_TRUE(PumpUntil([&] { return secondRan.load(); }, 5000ms));
    first.join();
    second.join();
    EXPECT_TRUE(secondSeen);
}

TEST(ThreadsTest, AQueuedCallCanBeCancelledWhileAnEarlierOneRuns)
{
    std::atomic<bool> firstQueued{false}, secondEnded{false}, cancelled{false};
    bool secondReturned = true;
    bool secondEndedInside = false;
    std::thread first([&] {
        firstQueued = true;
        Synchronize([&] {
            cancelled = true;
            const auto deadline = std::chrono::steady_clock::now() + 2000ms;
            while (!secondEnded && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(5ms);
            secondEndedInside = secondEnded;
        });
    });
    while (!firstQueued)
        std::this_thread::yield();
    std::this_thread::sleep_for(50ms);
    std::thread second([&] {
        secondReturned = Synchronize([] {}, [&] { return cancelled.load(); });
        secondEnded = true;
    });
    std::this_thread::sleep_for(50ms);

    PumpUntil([&] { return secondEnded.load(); }, 5000ms);
    first.join();
    second.join();
    EXPECT_TRUE(secondEndedInside);
    EXPECT_FALSE(secondReturned);
}

TEST(ThreadsTest, ExceptionsReachTheCallerAndEventsWakeAWaiter)
{
    std::atomic<bool> caught{false};
    std::thread worker([&] {
        try {
            Synchronize([] { throw std::runtime_error("no"); });
        } catch (const std::runtime_error &) {
            caught = true;
        }
    });
    PumpUntil([&] { return caught.load(); }, 5000ms);
    worker.join();
    EXPECT_TRUE(caught);

    TEvent event;
    EXPECT_FALSE(event.WaitFor(0));
    std::thread setter([&] {
        std::this_thread::sleep_for(20ms);
        event.Set();
    });
    EXPECT_TRUE(event.WaitFor(5000));
    setter.join();
    EXPECT_FALSE(event.WaitFor(0)); // auto-reset
}
