// Thread synchronisation: critical section, events, semaphore and process-local named objects.
// All are safe to share between threads; none is shared between processes.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace plat {

// Wait without a time limit.
inline constexpr uint32_t kInfinite = 0xFFFFFFFFu;

// A recursive lock: the owning thread may enter again and must leave as often as it entered.
// Also meets BasicLockable, so std::lock_guard and std::unique_lock work with it.
class CriticalSection {
public:
    void Enter() { m_mutex.lock(); }
    bool TryEnter() { return m_mutex.try_lock(); }
    void Leave() { m_mutex.unlock(); }

    void lock() { Enter(); }
    bool try_lock() { return TryEnter(); }
    void unlock() { Leave(); }

private:
    std::recursive_mutex m_mutex;
};

// Holds a critical section for its own lifetime.
class ScopedLock {
public:
    explicit ScopedLock(CriticalSection& cs) : m_cs(cs) { m_cs.Enter(); }
    ~ScopedLock() { m_cs.Leave(); }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

private:
    CriticalSection& m_cs;
};

// An event: manual reset stays signalled until Reset; automatic reset lets exactly one waiter through
// per Set and becomes non-signalled again.
class Event {
public:
    explicit Event(bool manualReset = false, bool initialState = false);
    void Set();
    void Reset();
    // True when the event was signalled within timeoutMs (kInfinite: no limit; 0: just test).
    bool Wait(uint32_t timeoutMs = kInfinite);
    bool IsSet() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cond;
    const bool m_manual;
    bool m_signalled;
};

// A counting semaphore with a maximum count.
class Semaphore {
public:
    Semaphore(int32_t initialCount, int32_t maximumCount);
    // Adds count; false (and no change) when count <= 0 or the maximum would be passed.
    // previous, when given, receives the count before the release.
    bool Release(int32_t count = 1, int32_t* previous = nullptr);
    // True when one unit was taken within timeoutMs.
    bool Wait(uint32_t timeoutMs = kInfinite);
    int32_t Count() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cond;
    int32_t m_count;
    const int32_t m_maximum;
};

// A mutex owned by a thread, re-enterable by its owner, with timed waits.
class Mutex {
public:
    bool Wait(uint32_t timeoutMs = kInfinite);
    // False when the calling thread does not own it.
    bool Release();

private:
    std::mutex m_mutex;
    std::condition_variable m_cond;
    std::thread::id m_owner;
    uint32_t m_depth = 0;
};

// Named objects live as long as anyone holds them; a name maps to one object within this process.
// existed, when given, tells whether the name was already in use.
std::shared_ptr<Event> CreateNamedEvent(const std::string& name, bool manualReset, bool initialState,
                                        bool* existed = nullptr);
std::shared_ptr<Event> OpenNamedEvent(const std::string& name); // null when no such event lives
std::shared_ptr<Mutex> CreateNamedMutex(const std::string& name, bool* existed = nullptr);
std::shared_ptr<Mutex> OpenNamedMutex(const std::string& name);

} // namespace plat
