// The intelligent search: read-ahead cache over the source, every block to every scanner, statistics and
// progress after each block, cancel between blocks, and the summary in the log.
#include "filesystems/partitions/CIntelligentSearchController.h"

#include "core/devices/CBlockViewDevice.h"
#include "core/devices/CStorageDeviceWithCache.h"
#include "filesystems/common/IFileSystemSearchController.h"
#include "filesystems/common/IIntelligentSearchCallback.h"
#include "platform/Log.h"

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <condition_variable>
#include <deque>
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

// One block handed to the scanners running ahead, with what each of them made of it.
struct FedBlock {
    uint64_t index = 0;
    uint64_t first = 0;
    uint64_t count = 0;
    std::span<const uint8_t> bytes;
    std::shared_ptr<const uint8_t> share;                  // keeps the bytes while the block is in the window
    std::vector<CReadLossScope::Record> blockLosses;       // the read-ahead's, told when the block is merged
    std::vector<CIntelligentSearchStatistics> counted;     // per scanner
    std::vector<std::vector<CReadLossScope::Record>> lost; // per scanner
    size_t pending = 0;                                    // scanners not done with it yet
};

// The scanners side by side, each on a thread of its own for the whole search, each going through the fed
// blocks in order at its own pace: a scanner may be up to the window's depth of blocks ahead of the slowest
// one instead of all waiting for each other at every block. Whoever feeds takes the blocks back in order once
// every scanner is done with them.
class ScannerPipeline {
public:
    // analyse(k, block): scanner k on the block, filling its counted[k] and lost[k]; must not throw.
    using Analyse = std::function<void(size_t, FedBlock&)>;

    // Starts one thread per scanner; throws std::system_error when one cannot be started (those started are
    // stopped).
    ScannerPipeline(size_t scanners, Analyse analyse, size_t depth)
        : m_scanners(scanners), m_analyse(std::move(analyse)), m_depth(std::max<size_t>(1, depth))
    {
        try {
            for (size_t k = 0; k < scanners; ++k) m_threads.emplace_back([this, k] { Serve(k); });
        } catch (...) {
            Stop();
            throw;
        }
    }
    ~ScannerPipeline() { Stop(); }
    ScannerPipeline(const ScannerPipeline&) = delete;
    ScannerPipeline& operator=(const ScannerPipeline&) = delete;

    bool Full()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_window.size() >= m_depth;
    }
    bool Empty()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_window.empty();
    }
    // Adds a block behind the others; the window must not be full.
    void Feed(std::unique_ptr<FedBlock> block)
    {
        block->counted.assign(m_scanners, CIntelligentSearchStatistics());
        block->lost.assign(m_scanners, {});
        block->pending = m_scanners;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_window.push_back(std::move(block));
            ++m_fed;
        }
        m_work.notify_all();
    }
    // The oldest block once every scanner is done with it; with wait, waits for that (the window must not be
    // empty), else null when it is not done yet.
    std::unique_ptr<FedBlock> TakeOldest(bool wait)
    {
        std::unique_lock<std::mutex> lock(m_lock);
        const auto done = [this] { return !m_window.empty() && m_window.front()->pending == 0; };
        if (wait)
            m_done.wait(lock, done);
        else if (!done())
            return nullptr;
        std::unique_ptr<FedBlock> block = std::move(m_window.front());
        m_window.pop_front();
        ++m_taken;
        return block;
    }

private:
    void Serve(size_t k)
    {
        uint64_t next = 0; // the number of the next block this scanner analyses
        std::unique_lock<std::mutex> lock(m_lock);
        for (;;) {
            m_work.wait(lock, [&] { return m_stop || m_fed > next; });
            if (m_fed <= next) return; // stopped, nothing left
            FedBlock& block = *m_window[size_t(next - m_taken)];
            lock.unlock();
            m_analyse(k, block);
            lock.lock();
            ++next;
            if (--block.pending == 0) m_done.notify_all();
        }
    }
    void Stop()
    {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_stop = true;
        }
        m_work.notify_all();
        for (std::thread& t : m_threads) t.join();
        m_threads.clear();
    }

    const size_t m_scanners;
    const Analyse m_analyse;
    const size_t m_depth;
    std::mutex m_lock;
    std::condition_variable m_work;
    std::condition_variable m_done;
    // Blocks fed and not taken back, oldest first; block number m_taken + i at i.
    std::deque<std::unique_ptr<FedBlock>> m_window;
    uint64_t m_fed = 0;
    uint64_t m_taken = 0;
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
    // Scanners side by side: each on a thread of its own for the whole search, reading the blocks in place
    // through a view of its own, each at its own pace within a window of blocks. The counters and the sectors
    // each one read as zeros join the search's in the scanners' order as each block leaves the window, as if
    // they had run one after another.
    const std::vector<IFileSystemSearchController*> scanners(m_controllers.begin(), m_controllers.end());
    std::vector<std::unique_ptr<CBlockViewDevice>> views;
    std::unique_ptr<ScannerPipeline> pipeline;
    if (m_parallel && scanners.size() > 1 && std::thread::hardware_concurrency() > 1) {
        for (size_t k = 0; k < scanners.size(); ++k) views.push_back(std::make_unique<CBlockViewDevice>(m_device));
        const auto analyse = [&](size_t k, FedBlock& block) {
            views[k]->SetBlock(block.first, block.count, block.bytes, block.share);
            CReadLossScope scope;
            AnalyzeBlockWith(scanners[k], block.first, block.count, &block.counted[k], block.bytes, block.share);
            block.lost[k] = scope.TakeRecords();
        };
        try {
            pipeline = std::make_unique<ScannerPipeline>(scanners.size(), analyse, kScannerWindow);
        } catch (const std::system_error&) {
            LogInfo("Intelligent search: the scanners run one after another (no thread for them)");
        }
    }

    for (size_t k = 0; k < scanners.size(); ++k)
        scanners[k]->SetDevice(pipeline ? static_cast<IStorageDevice*>(views[k].get()) : &cache);
    for (IFileSystemSearchController* c : m_controllers) c->SetBlockSectors(int(b));
    for (IFileSystemSearchController* c : m_controllers) c->BeginSearch();

    const uint64_t n = cache.GetSectorCount();
    const uint64_t blocks = (n + b - 1) / b;
    const uint64_t start = m_startSector ? *m_startSector : ReadDebugStartSector();
    cache.StartCacheThread(start);
    if (m_callback) m_callback->SetRange(0, blocks);

    // The working copy belongs to this thread; readers get a copy taken under the lock after each block.
    CIntelligentSearchStatistics statistics;
    const auto published = [&](uint64_t i) {
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
    };
    const auto merge = [&](const FedBlock& block) {
        for (const CReadLossScope::Record& r : block.blockLosses) CReadLossScope::Report(r);
        statistics.ClearBlockCounters();
        for (size_t k = 0; k < scanners.size(); ++k) {
            AddStatistics(statistics, block.counted[k]);
            for (const CReadLossScope::Record& r : block.lost[k]) CReadLossScope::Report(r);
        }
        published(block.index);
    };
    const auto drain = [&] {
        while (pipeline && !pipeline->Empty()) merge(*pipeline->TakeOldest(true));
    };
    for (uint64_t i = start / b; i < blocks; ++i) {
        if (m_callback && m_callback->IsCancelled()) {
            LogInfo("Intelligent search was cancelled by user!");
            m_cancelled.store(true, std::memory_order_relaxed);
            break;
        }
        const uint64_t first = i * b;
        const uint64_t count = std::min<uint64_t>(b, n - first);
        if (pipeline) {
            // Room in the window first: the block leaving it is told before the next one is read.
            while (pipeline->Full()) merge(*pipeline->TakeOldest(true));
            auto block = std::make_unique<FedBlock>();
            cache.SetCurCacheBlock(int64_t(i), &block->blockLosses);
            if (cache.GetCurrentBlock() == int64_t(i)) block->bytes = cache.GetCurrentBlockBytes();
            if (block->bytes.size() == count * uint64_t(cache.GetSectorSize())) {
                block->index = i;
                block->first = first;
                block->count = count;
                block->share = cache.GetCurrentBlockShare();
                pipeline->Feed(std::move(block));
                while (auto done = pipeline->TakeOldest(false)) merge(*done);
                continue;
            }
            // Without the block's bytes the scanners read it from the source, one after another, once those
            // ahead of it are done.
            drain();
            for (const CReadLossScope::Record& r : block->blockLosses) CReadLossScope::Report(r);
            for (auto& view : views) view->ClearBlock();
            statistics.ClearBlockCounters();
            CallEachFileSystemSearchControllerAnalyzeBlock(first, count, &statistics);
            published(i);
            continue;
        }
        cache.SetCurCacheBlock(int64_t(i));
        statistics.ClearBlockCounters();
        // The scanners read the block where the read-ahead put it; without it they read from the source.
        std::span<const uint8_t> bytes;
        if (cache.GetCurrentBlock() == int64_t(i)) bytes = cache.GetCurrentBlockBytes();
        if (bytes.size() != count * uint64_t(cache.GetSectorSize())) bytes = {};
        // A scanner that keeps bytes of the block past it (the RAW ring) holds a share instead of a copy.
        const std::shared_ptr<const uint8_t> share = bytes.empty() ? nullptr : cache.GetCurrentBlockShare();
        CallEachFileSystemSearchControllerAnalyzeBlock(first, count, &statistics, bytes, share);
        published(i);
    }
    drain();
    pipeline.reset();
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
    // The scanners keep the cache (or their views) as their device until now: point them back at the source
    // before it goes.
    for (IFileSystemSearchController* c : m_controllers) c->SetDevice(m_device);
    m_done.store(true, std::memory_order_release);
}
