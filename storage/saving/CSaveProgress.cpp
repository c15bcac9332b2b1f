// Figures of a running save shared between its job and a window.
#include "storage/saving/CSaveProgress.h"

int CSaveProgress::Begin(int fileCount, uint64_t totalBytes)
{
    m_fileCount.store(fileCount);
    m_totalBytes.store(totalBytes);
    m_filesDone.store(0);
    m_bytesDone.store(0);
    ++m_changes;
    return Answer();
}

int CSaveProgress::AddFilesDone(int count)
{
    m_filesDone.fetch_add(count);
    ++m_changes;
    return Answer();
}

int CSaveProgress::AddBytesDone(uint64_t bytes)
{
    m_bytesDone.fetch_add(bytes);
    ++m_changes;
    return Answer();
}

int CSaveProgress::SubtractBytes(int bytes)
{
    if (bytes > 0) {
        uint64_t now = m_bytesDone.load();
        while (!m_bytesDone.compare_exchange_weak(now, now > uint64_t(bytes) ? now - uint64_t(bytes) : 0)) {}
        ++m_changes;
    }
    return Answer();
}

int CSaveProgress::SetCurrentFile(const char* name)
{
    {
        std::lock_guard<std::mutex> lock(m_nameLock);
        m_currentFile = name ? name : "";
    }
    ++m_changes;
    return Answer();
}

int CSaveProgress::CheckCancel()
{
    return Answer();
}

std::string CSaveProgress::GetCurrentFile() const
{
    std::lock_guard<std::mutex> lock(m_nameLock);
    return m_currentFile;
}
