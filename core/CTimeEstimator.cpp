// CTimeEstimator on the 32-bit tick count; the unsigned difference survives its wrap-around.
#include "core/CTimeEstimator.h"

#include "platform/Clock.h"

void CTimeEstimator::Start(int total)
{
    StartAt(total, plat::GetTickCount());
}

void CTimeEstimator::StartAt(int total, uint32_t tick)
{
    m_total = total;
    m_startTick = tick;
}

void CTimeEstimator::Update(int done)
{
    UpdateAt(done, plat::GetTickCount());
}

void CTimeEstimator::UpdateAt(int done, uint32_t tick)
{
    if (done <= 0) return;
    m_elapsed = int64_t(uint32_t(tick - m_startTick));
    const int64_t left = int64_t(m_total) - done;
    // Past the total (a caller that counts more than it announced) nothing is left, rather than a negative time.
    m_remaining = left <= 0 ? 0 : ((m_elapsed / 100) * left / done) * 100;
}

void CTimeEstimator::Clear()
{
    m_total = 0;
    m_startTick = 0;
    m_elapsed = 0;
    m_remaining = 0;
}
