// The remaining-time forecast of the progress dialogs, in whole 100 ms steps.
#pragma once

#include <cstdint>

class CTimeEstimator {
public:
    // Remembers the total and the current tick.
    void Start(int total);
    void StartAt(int total, uint32_t tick);
    // Nothing for done <= 0; otherwise elapsed = now - start and
    // remaining = ((elapsed / 100) * (total - done) / done) * 100 ms, never below 0.
    void Update(int done);
    void UpdateAt(int done, uint32_t tick);
    int64_t GetRemaining() const { return m_remaining; }
    int64_t GetElapsed() const { return m_elapsed; }
    void Clear();

private:
    int m_total = 0;
    uint32_t m_startTick = 0;
    int64_t m_elapsed = 0;
    int64_t m_remaining = 0;
};
