// Candidate partitions of the NTFS scanner and the boot-sector evidence.
#include "filesystems/ntfs/CNTFSPartitionCandidateMap.h"

#include "filesystems/ntfs/CNTFSDBR.h"
#include "filesystems/tree/FileSystemKind.h"
#include "platform/Log.h"

#include <algorithm>
#include <atomic>
#include <cinttypes>

namespace {

// The boot sector's total sectors in sectors of the given size; none on overflow.
bool TotalInDeviceSectors(const CNTFSDBR& boot, uint32_t sectorSize, uint64_t& total)
{
    const uint64_t bytesPerSector = boot.GetBytesPerSector();
    total = boot.GetTotalSectors();
    if (bytesPerSector == sectorSize) return true;
    if (bytesPerSector == 0 || total > UINT64_MAX / bytesPerSector) return false;
    total = total * bytesPerSector / sectorSize;
    return true;
}

// Unique within the process: boot-sector candidates are told apart by it.
int NextCandidateId()
{
    static std::atomic<int> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

} // namespace

void CNTFSPartitionCandidateMap::SetDevice(uint64_t deviceSectors, uint32_t sectorSize)
{
    m_deviceSectors = deviceSectors;
    m_sectorSize = sectorSize != 0 && sectorSize % 512 == 0 ? sectorSize : 512;
}

std::unique_ptr<CSearchedNTFSPartitionInfo> CNTFSPartitionCandidateMap::BuildFromRecord(uint64_t sector,
                                                                                        int64_t cluster,
                                                                                        uint8_t sectorsPerCluster,
                                                                                        uint32_t flags) const
{
    if (sectorsPerCluster == 0 || cluster < 0) return nullptr;
    if (uint64_t(cluster) > sector / sectorsPerCluster) return nullptr;
    const uint64_t start = sector - uint64_t(cluster) * sectorsPerCluster;
    // The evidence must lie at least 4096 bytes (8 sectors of 512 bytes) past the start.
    const uint64_t minimum = std::max<uint64_t>(1, 4096 / m_sectorSize);
    if (sector < minimum || start > sector - minimum) return nullptr;
    auto c = std::make_unique<CSearchedNTFSPartitionInfo>(m_sectorSize);
    c->nFileSystemKind = kFsKindNtfs;
    c->u64DataAreaStartSector = start;
    c->bySectorsPerCluster = sectorsPerCluster;
    c->nSectorSize = m_sectorSize;
    c->u64FoldersMatch = 0;
    c->u64TotalClusters = m_deviceSectors > start ? (m_deviceSectors - start) / sectorsPerCluster : 0;
    c->u64SectorsCount = c->u64TotalClusters * sectorsPerCluster;
    c->nFlags = flags;
    return c;
}

std::unique_ptr<CSearchedNTFSPartitionInfo>
CNTFSPartitionCandidateMap::BuildFromBootSector(const CNTFSDBR& boot, int64_t start, uint32_t flags)
{
    if (start < 0) return nullptr;
    // The boot sector counts in its own sectors; the scan counts in the device's.
    const uint64_t bytesPerSector = boot.GetBytesPerSector();
    const uint64_t clusterBytes = bytesPerSector * boot.GetSectorsPerCluster();
    if (clusterBytes == 0 || clusterBytes % m_sectorSize != 0 || clusterBytes / m_sectorSize > 128) return nullptr;
    const uint8_t spc = uint8_t(clusterBytes / m_sectorSize);
    uint64_t total = 0;
    if (!TotalInDeviceSectors(boot, m_sectorSize, total)) return nullptr;
    if (m_deviceSectors > uint64_t(start) && m_deviceSectors - uint64_t(start) <= total)
        total = m_deviceSectors - uint64_t(start);
    if (total <= 7) return nullptr;
    auto c = std::make_unique<CSearchedNTFSPartitionInfo>(m_sectorSize);
    c->nFileSystemKind = kFsKindNtfs;
    c->bySectorsPerCluster = spc;
    c->nSectorSize = m_sectorSize;
    c->nId = NextCandidateId();
    c->u64DataAreaStartSector = uint64_t(start);
    c->u64SerialNumber = boot.GetSerialNumber();
    c->u64TotalClusters = total / spc;
    c->u64SectorsCount = c->u64TotalClusters * spc;
    c->nFlags = flags;
    return c;
}

size_t CNTFSPartitionCandidateMap::ForEachSame(const Key& key,
                                               const std::function<void(CSearchedNTFSPartitionInfo&)>& f)
{
    size_t n = 0;
    auto [first, last] = m_map.equal_range(key);
    for (auto it = first; it != last; ++it, ++n) f(*it->second);
    return n;
}

bool CNTFSPartitionCandidateMap::Merge(const CSearchedNTFSPartitionInfo& candidate, uint32_t set, uint32_t clear)
{
    bool existed = false;
    auto [first, last] = m_map.equal_range(KeyOf(candidate));
    for (auto it = first; it != last;) {
        existed = true;
        CSearchedNTFSPartitionInfo& c = *it->second;
        c.nFlags = (c.nFlags & ~clear) | set;
        if (c.nFlags == 0)
            it = m_map.erase(it);
        else
            ++it;
    }
    return existed;
}

bool CNTFSPartitionCandidateMap::Insert(std::unique_ptr<CSearchedNTFSPartitionInfo> candidate)
{
    if (!candidate) return false;
    if (m_map.size() >= kMaxCandidates) {
        if (m_dropped++ == 0)
            LogError("NTFS scan: %zu candidate partitions held, further ones are dropped\n", m_map.size());
        return false;
    }
    const Key key = KeyOf(*candidate);
    m_map.emplace(key, std::move(candidate));
    return true;
}

void CNTFSPartitionCandidateMap::MergeOrInsert(std::unique_ptr<CSearchedNTFSPartitionInfo> candidate, uint32_t set)
{
    if (!candidate) return;
    if (!Merge(*candidate, set, 0)) Insert(std::move(candidate));
}

void CNTFSPartitionCandidateMap::AnalyzeBootSector(uint64_t sector, const CNTFSDBR& boot)
{
    // The boot sector's size in the device's sectors, as the candidates count it.
    uint64_t total = 0;
    if (!TotalInDeviceSectors(boot, m_sectorSize, total)) return;
    // Read as the backup copy at the end of a partition.
    const int64_t backupStart = total <= sector ? int64_t(sector - total) : -1;
    if (auto p = BuildFromBootSector(boot, backupStart, kNtfsEvidenceLastBootRecord)) {
        bool isBackup = false;
        ForEachSame(KeyOf(*p), [&](CSearchedNTFSPartitionInfo& c) {
            c.nFlags |= kNtfsEvidenceLastBootRecord;
            if ((c.u64SectorsCount == p->u64SectorsCount && c.u64SerialNumber == p->u64SerialNumber) ||
                (c.nFlags & kNtfsEvidenceFirstBootRecord))
                isBackup = true;
        });
        if (isBackup) {
            // The partition's own first boot sector was also read as a backup one partition earlier: that
            // reading loses its flag, and the candidate goes when nothing else supports it.
            if (p->u64DataAreaStartSector >= total) {
                p->u64DataAreaStartSector -= total;
                Merge(*p, 0, kNtfsEvidenceLastBootRecord);
            }
            return;
        }
        ForEachSame(KeyOf(*p), [&](CSearchedNTFSPartitionInfo& c) {
            if (c.u64SectorsCount == 0) {
                c.u64SectorsCount = p->u64SectorsCount;
                c.u64TotalClusters = p->u64TotalClusters;
            }
        });
        Insert(std::move(p));
    }
    Insert(BuildFromBootSector(boot, int64_t(sector), kNtfsEvidenceFirstBootRecord));
}

std::vector<std::unique_ptr<CSearchedNTFSPartitionInfo>> CNTFSPartitionCandidateMap::TakeAll()
{
    std::vector<std::unique_ptr<CSearchedNTFSPartitionInfo>> all;
    all.reserve(m_map.size());
    for (auto& [key, c] : m_map) all.push_back(std::move(c));
    m_map.clear();
    return all;
}
