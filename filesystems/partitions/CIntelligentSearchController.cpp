// The intelligent search: read-ahead cache over the source, every block to every scanner, statistics and
// progress after each block, cancel between blocks, and the summary in the log.
#include "filesystems/partitions/CIntelligentSearchController.h"

#include "core/devices/CStorageDeviceWithCache.h"
#include "filesystems/common/IFileSystemSearchController.h"
#include "filesystems/common/IIntelligentSearchCallback.h"
#include "platform/Log.h"

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

const char* KindName(int kind)
{
    switch (kind) {
    case kSearchControllerNTFS: return "NTFS";
    case kSearchControllerFAT: return "FAT";
    case kSearchControllerRAW: return "RAW";
    case kSearchControllerEXT2: return "EXT2";
    default: return "?";
    }
}

void AddStatistics(CIntelligentSearchStatistics& to, const CIntelligentSearchStatistics& from)
{
    to.PartitionTables += from.PartitionTables;
    to.FATBootRecords += from.FATBootRecords;
    to.FATFolders += from.FATFolders;
    to.FATFolderParts += from.FATFolderParts;
    to.NTFSBootRecords += from.NTFSBootRecords;
    to.NTFSFileRecords += from.NTFSFileRecords;
    to.FilesIdentified += from.FilesIdentified;
    to.TotalFilesFound += from.TotalFilesFound;
    for (size_t i = 0; i < std::size(to.BlockCounters); ++i) to.BlockCounters[i] += from.BlockCounters[i];
}

// Runs one task per scanner side by side: task 0 on the calling thread, each other one on a thread of its own
// that serves the same scanner for the whole search, so that a scanner's state never changes threads.
class ScannerThreads {
public:
    // Starts count - 1 threads; throws std::system_error when one cannot be started (those started are stopped).
    explicit ScannerThreads(size_t count)
    {
        try {
            for (size_t i = 1; i < count; ++i) m_threads.emplace_back([this, i] { Serve(i); });
        } catch (...) {
            Stop();
            throw;
        }
    }
    ~ScannerThreads() { Stop(); }
    ScannerThreads(const ScannerThreads&) = delete;
    ScannerThreads& operator=(const ScannerThreads&) = delete;

    // task(i) for every scanner i; returns when all are done. task must not throw.
    void RunAll(const std::function<void(size_t)>& task)
    {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_task = &task;
            m_pending = m_threads.size();
            ++m_generation;
        }
        m_start.notify_all();
        task(0);
        std::unique_lock<std::mutex> lock(m_lock);
        m_done.wait(lock, [this] { return m_pending == 0; });
        m_task = nullptr;
    }

private:
    void Serve(size_t index)
    {
        uint64_t seen = 0;
        std::unique_lock<std::mutex> lock(m_lock);
        for (;;) {
            m_start.wait(lock, [&] { return m_stop || m_generation != seen; });
            if (m_stop) return;
            seen = m_generation;
            const std::function<void(size_t)>* task = m_task;
            lock.unlock();
            (*task)(index);
            lock.lock();
            if (--m_pending == 0) m_done.notify_one();
        }
    }
    void Stop()
    {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_stop = true;
        }
        m_start.notify_all();
        for (std::thread& t : m_threads) t.join();
        m_threads.clear();
    }

    std::mutex m_lock;
    std::condition_variable m_start;
    std::condition_variable m_done;
    const std::function<void(size_t)>* m_task = nullptr;
    uint64_t m_generation = 0;
    size_t m_pending = 0;
    bool m_stop = false;
    std::vector<std::thread> m_threads;
};

} // namespace

CIntelligentSearchController::~CIntelligentSearchController()
{
    m_controllers.clear();
}

void CIntelligentSearchController::AddController(IFileSystemSearchController* controller)
{
    if (controller) m_controllers.push_back(controller);
}

uint32_t CIntelligentSearchController::BlockSectorsFor(int32_t sectorSize)
{
    if (sectorSize <= 0) sectorSize = 512;
    return std::max<uint32_t>(1, kBlockBytes / uint32_t(sectorSize));
}

CIntelligentSearchStatistics CIntelligentSearchController::GetStatistics() const
{
    std::lock_guard<std::mutex> guard(m_statisticsLock);
    return m_statistics;
}

int CIntelligentSearchController::Run(IIntelligentSearchCallback* callback)
{
    if (!m_device) return 0;
    m_callback = callback;
    std::thread worker;
    try {
        worker = std::thread([this] { IntelligentSearch(); });
    } catch (const std::system_error&) {
        return 0;
    }
    worker.join();
    // The sectors the search got as zeros are the caller's to account for, as if it had read them itself.
    for (const CReadLossScope::Record& r : m_losses) CReadLossScope::Report(r);
    return 1;
}

void CIntelligentSearchController::CallEachFileSystemSearchControllerAnalyzeBlock(
    uint64_t firstSector, uint64_t sectorCount, CIntelligentSearchStatistics* statistics,
    std::span<const uint8_t> bytes, const std::shared_ptr<const uint8_t>& share)
{
    for (IFileSystemSearchController* controller : m_controllers)
        AnalyzeBlockWith(controller, firstSector, sectorCount, statistics, bytes, share);
}

void CIntelligentSearchController::AnalyzeBlockWith(IFileSystemSearchController* controller, uint64_t firstSector,
                                                    uint64_t sectorCount, CIntelligentSearchStatistics* statistics,
                                                    std::span<const uint8_t> bytes,
                                                    const std::shared_ptr<const uint8_t>& share)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point started = Clock::now();
    // One scanner's failure must not blind the others to this block.
    try {
        if (bytes.empty())
            controller->AnalyzeBlock(firstSector, sectorCount, statistics);
        else if (share)
            controller->AnalyzeSharedBlock(firstSector, sectorCount, bytes, share, statistics);
        else
            controller->AnalyzeBlockBytes(firstSector, sectorCount, bytes, statistics);
    } catch (const std::exception& e) {
        LogError("Intelligent search: the %s scanner failed on sectors %" PRIu64 "..%" PRIu64 ": %s",
                 KindName(controller->GetKind()), firstSector, firstSector + sectorCount - 1, e.what());
    } catch (...) {
        LogError("Intelligent search: the %s scanner failed on sectors %" PRIu64 "..%" PRIu64,
                 KindName(controller->GetKind()), firstSector, firstSector + sectorCount - 1);
    }
    DebugTrace("Call File system %s AnalyzeBlock time = %.3fms", KindName(controller->GetKind()),
               std::chrono::duration<double, std::milli>(Clock::now() - started).count());
}

void CIntelligentSearchController::IntelligentSearch()
{
    m_done.store(false, std::memory_order_release);
    m_cancelled.store(false, std::memory_order_relaxed);
    m_blocksSearched.store(0, std::memory_order_relaxed);
    {
        std::lock_guard<std::mutex> guard(m_statisticsLock);
        m_statistics = CIntelligentSearchStatistics();
    }
    if (!m_device) {
        m_done.store(true, std::memory_order_release);
        return;
    }

    CReadLossScope loss;
    struct KeepLosses {
        CReadLossScope& loss;
        std::vector<CReadLossScope::Record>& out;
        ~KeepLosses() { out = loss.TakeRecords(); }
    } keep{loss, m_losses};
    CStorageDeviceWithCache cache(m_device);
    const uint32_t b = BlockSectorsFor(cache.GetSectorSize());
    cache.SetCacheBlockSize(b);
    for (IFileSystemSearchController* c : m_controllers) c->SetDevice(&cache);
    for (IFileSystemSearchController* c : m_controllers) c->SetBlockSectors(int(b));
    for (IFileSystemSearchController* c : m_controllers) c->BeginSearch();

    const uint64_t n = cache.GetSectorCount();
    const uint64_t blocks = (n + b - 1) / b;
    const uint64_t start = m_startSector ? *m_startSector : ReadDebugStartSector();
    cache.StartCacheThread(start);
    if (m_callback) m_callback->SetRange(0, blocks);

    // Scanners side by side: each on a thread of its own for the whole search, all on the block in place. The
    // counters and the sectors each one read as zeros join the search's in the scanners' order after the
    // block, as if they had run one after another.
    const std::vector<IFileSystemSearchController*> scanners(m_controllers.begin(), m_controllers.end());
    std::unique_ptr<ScannerThreads> threads;
    if (m_parallel && scanners.size() > 1 && std::thread::hardware_concurrency() > 1) {
        try {
            threads = std::make_unique<ScannerThreads>(scanners.size());
        } catch (const std::system_error&) {
            LogInfo("Intelligent search: the scanners run one after another (no thread for them)");
        }
    }
    std::vector<CIntelligentSearchStatistics> counted(scanners.size());
    std::vector<std::vector<CReadLossScope::Record>> lost(scanners.size());

    // The working copy belongs to this thread; readers get a copy taken under the lock after each block.
    CIntelligentSearchStatistics statistics;
    for (uint64_t i = start / b; i < blocks; ++i) {
        if (m_callback && m_callback->IsCancelled()) {
            LogInfo("Intelligent search was cancelled by user!");
            m_cancelled.store(true, std::memory_order_relaxed);
            break;
        }
        cache.SetCurCacheBlock(int64_t(i));
        const uint64_t first = i * b;
        const uint64_t count = std::min<uint64_t>(b, n - first);
        statistics.ClearBlockCounters();
        // The scanners read the block where the read-ahead put it; without it they read from the source.
        std::span<const uint8_t> bytes;
        if (cache.GetCurrentBlock() == int64_t(i)) bytes = cache.GetCurrentBlockBytes();
        if (bytes.size() != count * uint64_t(cache.GetSectorSize())) bytes = {};
        // A scanner that keeps bytes of the block past it (the RAW ring) holds a share instead of a copy.
        const std::shared_ptr<const uint8_t> share = bytes.empty() ? nullptr : cache.GetCurrentBlockShare();
        if (threads && !bytes.empty()) {
            for (CIntelligentSearchStatistics& c : counted) c = CIntelligentSearchStatistics();
            threads->RunAll([&](size_t k) {
                // The first scanner runs on this thread, whose scope hears its losses directly.
                if (k == 0) return AnalyzeBlockWith(scanners[k], first, count, &counted[k], bytes, share);
                CReadLossScope scope;
                AnalyzeBlockWith(scanners[k], first, count, &counted[k], bytes, share);
                lost[k] = scope.TakeRecords();
            });
            for (size_t k = 0; k < scanners.size(); ++k) {
                AddStatistics(statistics, counted[k]);
                for (const CReadLossScope::Record& r : lost[k]) CReadLossScope::Report(r);
                lost[k].clear();
            }
        } else {
            CallEachFileSystemSearchControllerAnalyzeBlock(first, count, &statistics, bytes, share);
        }
        {
            std::lock_guard<std::mutex> guard(m_statisticsLock);
            m_statistics = statistics;
        }
        m_blocksSearched.fetch_add(1, std::memory_order_relaxed);
        if (m_callback) {
            m_callback->SetStatistics(&statistics);
            m_callback->SetPosition(i);
            m_callback->Refresh();
        }
    }
    threads.reset();
    cache.StopCacheThread();
    for (IFileSystemSearchController* c : m_controllers) {
        try {
            c->EndSearch();
        } catch (const std::exception& e) {
            LogError("Intelligent search: the %s scanner failed to finish: %s", KindName(c->GetKind()), e.what());
        }
    }

    LogInfo("---------------------------------");
    LogInfo("Intelligent search result summary:");
    LogInfo("FATBootRecords = %" PRId64, statistics.FATBootRecords);
    LogInfo("FATFolderParts = %" PRId64, statistics.FATFolderParts);
    LogInfo("FATFolders = %" PRId64, statistics.FATFolders);
    LogInfo("FilesIdentified = %" PRId64, statistics.FilesIdentified);
    LogInfo("NTFSBootRecords = %" PRId64, statistics.NTFSBootRecords);
    LogInfo("NTFSFileRecords = %" PRId64, statistics.NTFSFileRecords);
    LogInfo("TotalFilesFound = %" PRId64, statistics.TotalFilesFound);
    LogInfo("---------------------------------\n");
    // The scanners keep the cache as their device until now: point them back at the source before it goes.
    for (IFileSystemSearchController* c : m_controllers) c->SetDevice(m_device);
    m_done.store(true, std::memory_order_release);
}
