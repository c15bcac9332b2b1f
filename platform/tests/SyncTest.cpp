// Events, semaphores, mutexes and critical sections across threads, with timed waits.
#include "platform/Sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(Event, AutoResetReleasesOneWaiterPerSet)
{
    plat::Event ev(false, false);
    std::atomic<int> passed{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back([&] {
            if (ev.Wait(2000)) ++passed;
        });
    // A second Set before a waiter took the first one would be lost, as with any auto-reset event.
    ev.Set();
    while (passed.load() < 1) std::this_thread::yield();
    ev.Set();
    for (auto& t : waiters) t.join();
    EXPECT_EQ(passed.load(), 2); // the third waiter timed out
    EXPECT_FALSE(ev.IsSet());
}

TEST(Event, ManualResetStaysSignalledUntilReset)
{
    plat::Event ev(true, true);
    EXPECT_TRUE(ev.Wait(0));
    EXPECT_TRUE(ev.Wait(0));
    ev.Reset();
    EXPECT_FALSE(ev.Wait(20));
    std::thread setter([&] { ev.Set(); });
    EXPECT_TRUE(ev.Wait(plat::kInfinite));
    setter.join();
}

TEST(Semaphore, CountsAndRespectsItsMaximum)
{
    plat::Semaphore sem(1, 3);
    int32_t prev = -1;
    EXPECT_TRUE(sem.Release(2, &prev));
    EXPECT_EQ(prev, 1);
    EXPECT_FALSE(sem.Release(1)); // would pass 3
    EXPECT_FALSE(sem.Release(0));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(sem.Wait(0));
    EXPECT_FALSE(sem.Wait(10));
    std::thread releaser([&] { sem.Release(1); });
    EXPECT_TRUE(sem.Wait());
    releaser.join();
    EXPECT_EQ(sem.Count(), 0);
}

TEST(Mutex, OwnerReentersOthersWaitAndCannotRelease)
{
    plat::Mutex m;
    ASSERT_TRUE(m.Wait());
    ASSERT_TRUE(m.Wait());
    std::thread([&] {
        EXPECT_FALSE(m.Release());
        EXPECT_FALSE(m.Wait(20));
    }).join();
    EXPECT_TRUE(m.Release());
    EXPECT_TRUE(m.Release());
    EXPECT_FALSE(m.Release());
    std::thread([&] {
        EXPECT_TRUE(m.Wait(0));
        EXPECT_TRUE(m.Release());
    }).join();
}

TEST(CriticalSection, RecursiveForOwnerExclusiveForOthers)
{
    plat::CriticalSection cs;
    {
        plat::ScopedLock outer(cs);
        plat::ScopedLock inner(cs);
        std::thread([&] { EXPECT_FALSE(cs.TryEnter()); }).join();
    }
    std::thread([&] {
        ASSERT_TRUE(cs.TryEnter());
        cs.Leave();
    }).join();
}

TEST(NamedObjects, OneObjectPerLiveName)
{
    bool existed = true;
    auto a = plat::CreateNamedEvent("Test_Named_Event", true, false, &existed);
    EXPECT_FALSE(existed);
    auto b = plat::CreateNamedEvent("Test_Named_Event", false, true, &existed);
    EXPECT_TRUE(existed);
    EXPECT_EQ(a, b);
    EXPECT_EQ(plat::OpenNamedEvent("Test_Named_Event"), a);
    a.reset();
    b.reset();
    EXPECT_EQ(plat::OpenNamedEvent("Test_Named_Event"), nullptr);

    auto m = plat::CreateNamedMutex("Test_Named_Mutex", &existed);
    EXPECT_FALSE(existed);
    EXPECT_EQ(plat::OpenNamedMutex("Test_Named_Mutex"), m);
    EXPECT_EQ(plat::OpenNamedMutex("Other"), nullptr);
}

} // namespace
