// The candidate walk of the lost-partition search, its probes, and the worker that runs it.
#include "filesystems/partitions/CPartitionSearchEngine.h"
#include "core/devices/CReadLossRelay.h"

#include "core/devices/IStorageDevice.h"
#include "filesystems/common/IPartitionSearchCallback.h"
#include "filesystems/partitions/IPartitionFileSystemSearchController.h"
#include "filesystems/partitions/IPartitionSearchAlgorithm.h"
#include "platform/Log.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>

namespace {

// What each probe reads: the first sector of a candidate and, for the ext2 test, the superblock 1024 bytes on.
constexpr size_t kProbeBytes = 4096;

} // namespace

CPartitionSearchEngine::CPartitionSearchEngine() = default;
CPartitionSearchEngine::~CPartitionSearchEngine() = default;

bool CPartitionSearchEngine::SetDevice(IStorageDevice* disk)
{
    m_disk = nullptr;
    m_diskSectors = 0;
    m_sectorSize = 0;
    if (!disk || disk->GetSectorCount() == 0 || disk->GetSectorSize() <= 0) return false;
    m_disk = disk;
    m_diskSectors = disk->GetSectorCount();
    m_sectorSize = disk->GetSectorSize();
    m_buffer.assign(std::max(kProbeBytes, size_t(m_sectorSize)), 0);
    return true;
}

void CPartitionSearchEngine::AddFileSystemController(IPartitionFileSystemSearchController* controller)
{
    if (controller) m_controllers.push_back(controller);
}

void CPartitionSearchEngine::AddAlgorithms(int heads)
{
    AddAlgorithm(std::make_unique<CPartitionSearchAccordingTo255Head>(m_diskSectors));
    if (heads == 240) AddAlgorithm(std::make_unique<CPartitionSearchAccordingTo240Head>(m_diskSectors));
    AddAlgorithm(std::make_unique<CPartitionSearchAccordingToMiB>(m_diskSectors, m_sectorSize));
}

void CPartitionSearchEngine::AddAlgorithm(std::unique_ptr<IPartitionSearchAlgorithm> algorithm)
{
    if (algorithm) m_algorithms.push_back(std::move(algorithm));
}

uint64_t CPartitionSearchEngine::GetCandidateCount() const
{
    uint64_t total = 0;
    for (const auto& algorithm : m_algorithms) total += algorithm->GetCandidateCount();
    return total;
}

bool CPartitionSearchEngine::StartWorker(std::thread& worker, std::function<void()> body)
{
    try {
        worker = std::thread(std::move(body));
        return true;
    } catch (const std::system_error& e) {
        m_error = e.what();
        return false;
    }
}

PartitionSearchResult CPartitionSearchEngine::Run(IPartitionSearchCallback* callback, const MessagePump& pump)
{
    m_done = false;
    std::mutex lock;
    std::condition_variable finished;
    PartitionSearchResult result = PartitionSearchResult::Failed;
    CReadLossRelay losses;
    std::thread worker;
    const bool started = StartWorker(worker, [&] {
        const PartitionSearchResult r = [&] {
            CReadLossRelay::Collector collect(losses);
            return Search(callback);
        }();
        std::lock_guard<std::mutex> guard(lock);
        result = r;
        finished.notify_all();
    });
    if (!started) {
        // Told apart from a search that found nothing: the caller shows the error.
        if (m_error.empty()) m_error = "the search thread could not be started";
        LogError("Lost-partition search: %s", m_error.c_str());
        m_done = true;
        return PartitionSearchResult::Failed;
    }
    {
        std::unique_lock<std::mutex> guard(lock);
        while (!m_done.load()) {
            guard.unlock();
            if (pump) pump();
            guard.lock();
            finished.wait_for(guard, std::chrono::milliseconds(10), [&] { return m_done.load(); });
        }
    }
    worker.join();
    losses.Deliver();
    return result;
}

bool CPartitionSearchEngine::SkippedAsProbedBefore(size_t algorithmIndex, uint64_t sector) const
{
    if (!m_algorithms[algorithmIndex]->IsSecondary()) return false;
    for (size_t i = 0; i < algorithmIndex; ++i)
        if (m_algorithms[i]->IsCandidate(sector)) return true;
    return false;
}

bool CPartitionSearchEngine::Probe(uint64_t sector)
{
    if (sector >= m_diskSectors || m_reported.count(sector)) return false;
    const uint64_t sectorSize = uint64_t(m_sectorSize);
    const uint64_t wanted = std::max<uint64_t>(1, kProbeBytes / sectorSize);
    const uint64_t count = std::min(wanted, m_diskSectors - sector);
    std::span<const uint8_t> bytes(m_buffer.data(), size_t(count * sectorSize));
    if (!m_disk->ReadSectors(m_buffer.data(), sector, count)) {
        // A bad sector among the look-ahead must not hide a readable boot sector.
        if (count == 1 || !m_disk->ReadSectors(m_buffer.data(), sector, 1)) return false;
        bytes = bytes.first(size_t(sectorSize));
    }
    for (IPartitionFileSystemSearchController* controller : m_controllers) {
        m_record = CLostPartitionRecord{};
        if (!controller->CheckSector(bytes, sector, m_record)) continue;
        m_reported.insert(sector);
        LogInfo("Lost partition found: kind %d, start %llu, %llu sectors, label \"%s\"", m_record.nFileSystemKind,
                static_cast<unsigned long long>(m_record.u64StartSector),
                static_cast<unsigned long long>(m_record.u64SectorCount), m_record.szLabel);
        m_callback->OnPartitionFound(&m_record);
        // The window now belongs to the callback's copy.
        m_record.pDevice = nullptr;
        return true;
    }
    return false;
}

PartitionSearchResult CPartitionSearchEngine::Search(IPartitionSearchCallback* callback)
{
    PartitionSearchResult result = PartitionSearchResult::Finished;
    m_callback = callback;
    if (!m_disk || !callback) {
        m_error = !m_disk ? "no disk to search" : "no callback";
        result = PartitionSearchResult::Failed;
    } else {
        for (IPartitionFileSystemSearchController* controller : m_controllers) controller->SetDevice(m_disk);
        for (IPartitionFileSystemSearchController* controller : m_controllers) controller->Begin();
        callback->SetRange(0, GetCandidateCount());
        callback->SetStep(1);
        for (size_t a = 0; a < m_algorithms.size() && result == PartitionSearchResult::Finished; ++a) {
            IPartitionSearchAlgorithm& algorithm = *m_algorithms[a];
            const uint64_t candidates = algorithm.GetCandidateCount();
            for (uint64_t k = 0; k < candidates; ++k) {
                if (callback->IsCancelled()) {
                    result = PartitionSearchResult::Cancelled;
                    break;
                }
                callback->Step();
                callback->PumpMessages();
                const uint64_t sector = algorithm.NextCandidate();
                if (SkippedAsProbedBefore(a, sector)) continue;
                Probe(sector);
                if (!algorithm.ProbesTrackOffset()) continue;
                callback->PumpMessages();
                Probe(sector + kSectorsPerTrack);
            }
        }
        if (result == PartitionSearchResult::Finished)
            for (IPartitionFileSystemSearchController* controller : m_controllers) controller->End();
    }
    m_callback = nullptr;
    m_done = true;
    return result;
}
