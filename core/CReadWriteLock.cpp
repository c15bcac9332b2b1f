// Writer-preferring read-write lock. Unlock hands the lock over directly (grants), so a thread arriving
// between the release and the wake-up cannot take it ahead of the one it was given to.
#include "core/CReadWriteLock.h"

void CReadWriteLock::LockRead()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_active >= 0 && m_waitingWriters == 0 && m_writerGrants == 0) {
        ++m_active;
        return;
    }
    ++m_waitingReaders;
    m_readerGo.wait(lock, [this] { return m_readerGrants > 0; });
    --m_readerGrants; // m_active already counts this reader
}

void CReadWriteLock::LockWrite()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_active == 0) {
        m_active = -1;
        return;
    }
    ++m_waitingWriters;
    m_writerGo.wait(lock, [this] { return m_writerGrants > 0; });
    --m_writerGrants; // m_active is already -1 for this writer
}

void CReadWriteLock::Unlock()
{
    bool wakeWriter = false;
    bool wakeReaders = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_active == 0) return;
        if (m_active > 0)
            --m_active;
        else
            m_active = 0;
        if (m_active == 0) {
            if (m_waitingWriters > 0) {
                m_active = -1;
                --m_waitingWriters;
                ++m_writerGrants;
                wakeWriter = true;
            } else if (m_waitingReaders > 0) {
                m_active = m_waitingReaders;
                m_readerGrants += m_waitingReaders;
                m_waitingReaders = 0;
                wakeReaders = true;
            }
        }
    }
    if (wakeWriter) m_writerGo.notify_all(); // every waiting writer checks; exactly one grant is there to take
    if (wakeReaders) m_readerGo.notify_all();
}

void CReadWriteLock::Destroy()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_waitingReaders = m_waitingWriters = 0;
    m_active = 0;
    m_readerGrants = m_writerGrants = 0;
}

int32_t CReadWriteLock::Active() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_active;
}

int CReadWriteLock::WaitingWriters() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_waitingWriters;
}

int CReadWriteLock::WaitingReaders() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_waitingReaders;
}
