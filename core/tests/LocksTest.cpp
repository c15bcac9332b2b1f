// The writer-preferring read-write lock and the event lock, across threads.
#include "core/CReadWriteLock.h"
#include "core/Locks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

namespace {

// Waits (bounded) until cond holds; the tests use it to see a thread blocked inside the lock.
template <class Cond>
bool Eventually(Cond cond)
{
    for (int i = 0; i < 2000; ++i) {
        if (cond()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

TEST(CReadWriteLock, ReadersShareWritersExclude)
{
    CReadWriteLock rw;
    rw.LockRead();
    rw.LockRead();
    EXPECT_EQ(rw.Active(), 2);
    std::atomic<bool> wrote{false};
    std::thread writer([&] {
        rw.LockWrite();
        wrote = true;
        rw.Unlock();
    });
    ASSERT_TRUE(Eventually([&] { return rw.WaitingWriters() == 1; }));
    rw.Unlock();
    EXPECT_FALSE(wrote.load());
    rw.Unlock();
    writer.join();
    EXPECT_TRUE(wrote.load());
    EXPECT_EQ(rw.Active(), 0);
    rw.Unlock(); // releasing a free lock changes nothing
    EXPECT_EQ(rw.Active(), 0);
}

TEST(CReadWriteLock, ReaderArrivingWhileWriterWaitsGoesAfterIt)
{
    CReadWriteLock rw;
    std::mutex orderLock;
    std::string order;
    auto note = [&](char c) {
        std::lock_guard<std::mutex> g(orderLock);
        order += c;
    };

    rw.LockRead(); // the first reader holds the lock
    std::thread writer([&] {
        rw.LockWrite();
        note('W');
        rw.Unlock();
    });
    ASSERT_TRUE(Eventually([&] { return rw.WaitingWriters() == 1; }));
    std::thread reader([&] {
        rw.LockRead();
        note('R');
        rw.Unlock();
    });
    ASSERT_TRUE(Eventually([&] { return rw.WaitingReaders() == 1; }));
    rw.Unlock();
    writer.join();
    reader.join();
    EXPECT_EQ(order, "WR");
}

TEST(CReadWriteLock, ReleasedWriteLockGoesToWaitingWriterFirst)
{
    CReadWriteLock rw;
    rw.LockWrite();
    std::string order;
    std::mutex orderLock;
    auto note = [&](char c) {
        std::lock_guard<std::mutex> g(orderLock);
        order += c;
    };
    std::thread r1([&] {
        rw.LockRead();
        note('r');
        rw.Unlock();
    });
    ASSERT_TRUE(Eventually([&] { return rw.WaitingReaders() == 1; }));
    std::thread w([&] {
        rw.LockWrite();
        note('w');
        rw.Unlock();
    });
    ASSERT_TRUE(Eventually([&] { return rw.WaitingWriters() == 1; }));
    rw.Unlock();
    r1.join();
    w.join();
    EXPECT_EQ(order, "wr");
}

TEST(CEventLock, LockIsHeldUntilUnlockedByAnyThread)
{
    CEventLock lock;
    EXPECT_FALSE(lock.Lock()); // never created
    ASSERT_TRUE(lock.Create());
    ASSERT_TRUE(lock.Lock());
    std::atomic<bool> entered{false};
    std::thread other([&] {
        lock.Lock();
        entered = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(entered.load());
    lock.Unlock();
    other.join();
    EXPECT_TRUE(entered.load());

    CEventLock a, b; // one name, one lock
    ASSERT_TRUE(a.Create("Test_EventLock"));
    ASSERT_TRUE(b.Create("Test_EventLock"));
    ASSERT_TRUE(a.Lock());
    std::thread([&] {
        CEventLock c;
        c.Create("Test_EventLock");
        EXPECT_TRUE(c.IsCreated());
    }).join();
    b.Unlock();
    EXPECT_TRUE(a.Lock());
    a.Close();
    EXPECT_FALSE(a.IsCreated());
}

} // namespace
