// The lost-partition search: probes the candidate sectors of a disk (cylinder boundaries, one track later,
// and 1 MiB boundaries) with one test per file system and reports each partition that begins there through
// IPartitionSearchCallback. Run searches on a worker thread while the calling thread keeps its interface alive.
#pragma once

#include "filesystems/common/CLostPartitionRecord.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

class IPartitionFileSystemSearchController;
class IPartitionSearchAlgorithm;
class IPartitionSearchCallback;
class IStorageDevice;

enum class PartitionSearchResult {
    Finished,  // every candidate was probed
    Cancelled, // the callback's IsCancelled stopped it; what was reported stays reported
    Failed,    // nothing was searched: no usable disk or callback, or the worker could not start (GetError)
};

// One search per engine. The disk and the file-system tests are the caller's and must outlive the search; the
// window devices of the reported records belong to whoever keeps the records (the engine never frees one).
class CPartitionSearchEngine {
public:
    // Runs on the thread that called Run, about every 10 ms while the worker searches.
    using MessagePump = std::function<void()>;

    CPartitionSearchEngine();
    virtual ~CPartitionSearchEngine();
    CPartitionSearchEngine(const CPartitionSearchEngine&) = delete;
    CPartitionSearchEngine& operator=(const CPartitionSearchEngine&) = delete;

    // Keeps the disk and its size. False (and no disk) when it has no sectors or no sector size.
    bool SetDevice(IStorageDevice* disk);
    // Tests are offered each candidate in the order added; the first that accepts it wins.
    void AddFileSystemController(IPartitionFileSystemSearchController* controller);
    // The 255-head cylinders, the 240-head ones as well when heads is 240, then the 1 MiB boundaries.
    // Call after SetDevice.
    void AddAlgorithms(int heads);
    void AddAlgorithm(std::unique_ptr<IPartitionSearchAlgorithm> algorithm);

    // The search on a worker thread; the calling thread runs pump until it is done. Failed, with the reason
    // logged and in GetError, when the worker cannot be started.
    PartitionSearchResult Run(IPartitionSearchCallback* callback, const MessagePump& pump = {});
    // The search on the calling thread (what the worker runs).
    PartitionSearchResult Search(IPartitionSearchCallback* callback);

    // Candidates of all algorithms (the progress range).
    uint64_t GetCandidateCount() const;
    bool IsDone() const { return m_done.load(); }
    const std::string& GetError() const { return m_error; }

protected:
    // Starts body on a new thread; false when the system refuses one. Overridden by tests.
    virtual bool StartWorker(std::thread& worker, std::function<void()> body);

private:
    bool Probe(uint64_t sector);
    bool SkippedAsProbedBefore(size_t algorithmIndex, uint64_t sector) const;

    IStorageDevice* m_disk = nullptr;
    uint64_t m_diskSectors = 0;
    int32_t m_sectorSize = 0;
    std::vector<IPartitionFileSystemSearchController*> m_controllers;
    std::vector<std::unique_ptr<IPartitionSearchAlgorithm>> m_algorithms;
    CLostPartitionRecord m_record;
    std::vector<uint8_t> m_buffer;
    std::set<uint64_t> m_reported; // starts already reported (a sector two generators both reach)
    std::atomic<bool> m_done{false};
    IPartitionSearchCallback* m_callback = nullptr;
    std::string m_error;
};
