// The millisecond tick count that windows read for elapsed times, behind an interface so that tests can
// set the time. The system clock is the default.
#pragma once

#include <atomic>
#include <cstdint>

class ITickClock {
public:
    virtual ~ITickClock() = default;
    // Milliseconds since an arbitrary start; wraps after 49.7 days as the system's tick count does.
    virtual uint32_t GetTickCount() const = 0;
};

// The clock in use. SetTickClock(nullptr) returns to the system clock; the clock given is not owned and
// must outlive its use.
ITickClock& GetTickClock();
void SetTickClock(ITickClock* clock);

// A clock that moves only when told (tests).
class CManualTickClock : public ITickClock {
public:
    explicit CManualTickClock(uint32_t start = 0) : m_now(start) {}
    uint32_t GetTickCount() const override { return m_now.load(); }
    void Set(uint32_t now) { m_now.store(now); }
    void Advance(uint32_t ms) { m_now.fetch_add(ms); }

private:
    std::atomic<uint32_t> m_now;
};
