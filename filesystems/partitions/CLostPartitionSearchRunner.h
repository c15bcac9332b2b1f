// The lost-partition search of a disk without a window: started on its own thread, watched through its
// progress counters, cancelled by a flag, and its found partitions taken at the end. For the harness, the
// tests and any caller that shows progress by polling.
#pragma once

#include "core/devices/CReadLossRelay.h"
#include "filesystems/common/CLostPartitionRecord.h"
#include "filesystems/partitions/CPartitionSearchEngine.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class IPartitionFileSystemSearchController;

// Start, Cancel, Wait, TakeRecords and the destructor are called from one thread; the progress accessors
// from any. The disk must outlive the runner.
class CLostPartitionSearchRunner {
public:
    CLostPartitionSearchRunner();
    // Cancels and waits for a search still running; deletes the windows of records never taken.
    ~CLostPartitionSearchRunner();
    CLostPartitionSearchRunner(const CLostPartitionSearchRunner&) = delete;
    CLostPartitionSearchRunner& operator=(const CLostPartitionSearchRunner&) = delete;

    // Starts the search of the disk with the lost-partition tests of the file-system registry (heads: the disk's heads per cylinder,
    // 255 unless it reports 240). False, with the reason in GetError, when the disk cannot be searched or the
    // thread cannot be started; once per runner.
    bool Start(IStorageDevice* disk, int heads = 255);
    void Cancel() { m_cancelled = true; }
    // Waits for the end of the search and tells how it ended; the sectors the search got as zeros are then
    // reported to the calling thread's CReadLossScope.
    PartitionSearchResult Wait();
    bool IsDone() const { return m_done.load(); }

    uint64_t GetCandidateCount() const { return m_total.load(); }
    uint64_t GetCandidatesDone() const { return m_processed.load(); }
    size_t GetFoundCount() const;
    const std::string& GetError() const { return m_error; }

    // The partitions found so far, in the order found; the caller owns each record's window device.
    std::vector<CLostPartitionRecord> TakeRecords();

    // The whole search on the calling thread: Start, then Wait.
    static PartitionSearchResult SearchDisk(IStorageDevice* disk, int heads, std::vector<CLostPartitionRecord>& found,
                                            std::string* error = nullptr);

private:
    class Callback;

    std::vector<std::unique_ptr<IPartitionFileSystemSearchController>> m_scanners; // in registry order
    std::unique_ptr<Callback> m_callback;
    CPartitionSearchEngine m_engine;
    CReadLossRelay m_losses; // of the worker's reads
    std::thread m_worker;
    std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_done{false};
    std::atomic<uint64_t> m_total{0};
    std::atomic<uint64_t> m_processed{0};
    PartitionSearchResult m_result = PartitionSearchResult::Failed;
    std::string m_error;
    mutable std::mutex m_lock; // guards m_records
    std::vector<CLostPartitionRecord> m_records;
};
