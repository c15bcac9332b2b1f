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
#include <exception>
#include <system_error>
#include <thread>

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
    std::span<const uint8_t> bytes)
{
    using Clock = std::chrono::steady_clock;
    for (IFileSystemSearchController* controller : m_controllers) {
        const Clock::time_point started = Clock::now();
        // One scanner's failure must not blind the others to this block.
        try {
            if (bytes.empty())
                controller->AnalyzeBlock(firstSector, sectorCount, statistics);
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
        CallEachFileSystemSearchControllerAnalyzeBlock(first, count, &statistics, bytes);
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
