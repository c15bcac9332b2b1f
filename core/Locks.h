// The simple locks: a critical section with explicit enter/leave, its scope guard, and an event used as a lock.
// All are safe to share between threads.
#pragma once

#include "platform/Sync.h"

#include <memory>

class CCriticalSectionLock {
public:
    // The section is usable from construction; Init and Delete are kept for callers that pair them.
    void Init() {}
    void Delete() {}
    void Enter() { m_cs.Enter(); }
    void Leave() { m_cs.Leave(); }
    plat::CriticalSection& Get() { return m_cs; }

private:
    plat::CriticalSection m_cs;
};

// Enters the section for the holder's lifetime. A null pointer guards nothing.
class CAutoLock {
public:
    explicit CAutoLock(plat::CriticalSection* cs) : m_cs(cs)
    {
        if (m_cs) m_cs->Enter();
    }
    explicit CAutoLock(plat::CriticalSection& cs) : CAutoLock(&cs) {}
    explicit CAutoLock(CCriticalSectionLock* lock) : CAutoLock(lock ? &lock->Get() : nullptr) {}
    explicit CAutoLock(CCriticalSectionLock& lock) : CAutoLock(&lock.Get()) {}
    ~CAutoLock()
    {
        if (m_cs) m_cs->Leave();
    }
    CAutoLock(const CAutoLock&) = delete;
    CAutoLock& operator=(const CAutoLock&) = delete;

private:
    plat::CriticalSection* m_cs;
};

// An automatic-reset event used as a non-recursive lock that any thread may release.
class CEventLock {
public:
    // Makes the event (named: shared with every CEventLock of that name in this process), signalled, so the
    // lock starts free. A named event that already exists is joined as it stands.
    bool Create(const char* name = nullptr);
    // Waits without limit; false when the lock was never created.
    bool Lock();
    bool Unlock();
    void Close() { m_event.reset(); }
    bool IsCreated() const { return bool(m_event); }

private:
    std::shared_ptr<plat::Event> m_event;
};
