// A read-write lock that prefers writers: a reader that arrives while a writer holds or waits for the lock
// waits until no writer is left, and a released lock goes to one waiting writer before any reader.
// Not recursive: a thread that holds a read lock and asks again while a writer waits deadlocks.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

class CReadWriteLock {
public:
    CReadWriteLock() = default;
    CReadWriteLock(const CReadWriteLock&) = delete;
    CReadWriteLock& operator=(const CReadWriteLock&) = delete;

    void LockRead();
    void LockWrite();
    // Releases whichever lock the caller holds; does nothing when the lock is free.
    void Unlock();
    // Zeroes the counters; only for a lock nobody holds or waits for.
    void Destroy();

    // For tests and diagnostics.
    int32_t Active() const;
    int WaitingWriters() const;
    int WaitingReaders() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_readerGo;
    std::condition_variable m_writerGo;
    int m_waitingReaders = 0;
    int m_waitingWriters = 0;
    int32_t m_active = 0;   // readers holding the lock, or -1 for a writer
    int m_readerGrants = 0; // readers handed the lock by Unlock, not yet woken
    int m_writerGrants = 0;
};
