// The figures of a running save (files, bytes, the current file, the cancel flag) kept for whoever shows
// them: the saving job's thread writes them through IFileRecoverCallback and a window's timer reads them.
// Safe to share between those two threads.
#pragma once

#include "storage/saving/IFileRecoverCallback.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

class CSaveProgress : public IFileRecoverCallback {
public:
    int Begin(int fileCount, uint64_t totalBytes) override;
    int AddFilesDone(int count) override;
    int AddBytesDone(uint64_t bytes) override;
    // Never takes the count below zero.
    int SubtractBytes(int bytes) override;
    int SetCurrentFile(const char* name) override;
    int CheckCancel() override;

    // From now on every operation answers kCancelled.
    void Cancel() { m_cancelled.store(true); }
    bool IsCancelled() const { return m_cancelled.load(); }

    int GetFileCount() const { return m_fileCount.load(); }
    int GetDoneFiles() const { return m_filesDone.load(); }
    uint64_t GetTotalBytes() const { return m_totalBytes.load(); }
    uint64_t GetDoneBytes() const { return m_bytesDone.load(); }
    std::string GetCurrentFile() const;
    // Bumped by every change, so that a viewer can tell whether there is anything new to show.
    uint64_t GetChangeCount() const { return m_changes.load(); }

private:
    int Answer() const { return m_cancelled.load() ? kCancelled : 0; }

    std::atomic<int> m_fileCount{0};
    std::atomic<int> m_filesDone{0};
    std::atomic<uint64_t> m_totalBytes{0};
    std::atomic<uint64_t> m_bytesDone{0};
    std::atomic<bool> m_cancelled{false};
    std::atomic<uint64_t> m_changes{0};
    mutable std::mutex m_nameLock;
    std::string m_currentFile;
};
