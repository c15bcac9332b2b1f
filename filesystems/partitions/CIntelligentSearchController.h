// The one-pass intelligent search of format recovery: the source is read once, in 4 MiB blocks, through the
// read-ahead cache, and every block is handed to every scanner of the scan (FAT, NTFS, ext2, RAW).
#pragma once

#include "core/devices/CReadLossScope.h"
#include "filesystems/common/CIntelligentSearchStatistics.h"
#include "filesystems/common/IContainerofFileSystemSearchController.h"

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

class IFileSystemSearchController;
class IIntelligentSearchCallback;
class IStorageDevice;

// One object per search. Neither the device, the scanners nor the callback are owned. Run blocks its caller
// while the search thread works; the statistics may be read from any thread (GetStatistics copies them
// under a lock).
class CIntelligentSearchController : public IContainerofFileSystemSearchController {
public:
    static constexpr uint32_t kBlockBytes = 4194304;
    // Blocks the scanners side by side may be apart: the fastest one runs up to that many blocks ahead of the
    // slowest (their shares held meanwhile) instead of all waiting for each other at every block.
    static constexpr size_t kScannerWindow = 4;

    CIntelligentSearchController() = default;
    ~CIntelligentSearchController() override;
    CIntelligentSearchController(const CIntelligentSearchController&) = delete;
    CIntelligentSearchController& operator=(const CIntelligentSearchController&) = delete;

    void SetDevice(IStorageDevice* device) { m_device = device; }
    void AddController(IFileSystemSearchController* controller) override;
    // The first sector to search (rounded down to its block); by default the debug start of the state
    // folder's config.ini, 0 without one.
    void SetStartSector(uint64_t sector) { m_startSector = sector; }

    // Runs IntelligentSearch on a thread of its own and waits for it: 1, or 0 when the thread could not be
    // started or there is no device. callback may be null (nothing reported, never cancelled). The sectors
    // the search got as zeros (unreadable) are reported to the calling thread's CReadLossScope.
    int Run(IIntelligentSearchCallback* callback);
    // The search itself, on the calling thread.
    void IntelligentSearch();
    // AnalyzeBlock on each scanner in order, or AnalyzeBlockBytes when the block's bytes are given
    // (AnalyzeSharedBlock with a share in their memory). A scanner that throws is logged and left out for this
    // block; the others still see it.
    void CallEachFileSystemSearchControllerAnalyzeBlock(uint64_t firstSector, uint64_t sectorCount,
                                                        CIntelligentSearchStatistics* statistics,
                                                        std::span<const uint8_t> bytes = {},
                                                        const std::shared_ptr<const uint8_t>& share = nullptr);

    // Whether the scanners may run side by side, each on a thread of its own and at its own pace within
    // kScannerWindow blocks (by default, when the machine has more than one core); their findings are the same
    // either way.
    void SetParallelScanners(bool parallel) { m_parallel = parallel; }

    // Blocks of sectorSize-byte sectors: 4 MiB worth (at least one sector).
    static uint32_t BlockSectorsFor(int32_t sectorSize);

    CIntelligentSearchStatistics GetStatistics() const;
    bool IsDone() const { return m_done.load(std::memory_order_acquire); }
    // Blocks handed to the scanners by the last search.
    uint64_t GetBlocksSearched() const { return m_blocksSearched.load(std::memory_order_relaxed); }
    bool WasCancelled() const { return m_cancelled.load(std::memory_order_relaxed); }

private:
    static void AnalyzeBlockWith(IFileSystemSearchController* controller, uint64_t firstSector, uint64_t sectorCount,
                                 CIntelligentSearchStatistics* statistics, std::span<const uint8_t> bytes,
                                 const std::shared_ptr<const uint8_t>& share);

    std::list<IFileSystemSearchController*> m_controllers;
    std::vector<CReadLossScope::Record> m_losses; // of the last search
    IStorageDevice* m_device = nullptr;
    CIntelligentSearchStatistics m_statistics;
    mutable std::mutex m_statisticsLock;
    IIntelligentSearchCallback* m_callback = nullptr;
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_cancelled{false};
    std::atomic<uint64_t> m_blocksSearched{0};
    std::optional<uint64_t> m_startSector;
    bool m_parallel = true;
};
