// Index-record and folder-record evidence of the NTFS scan.
#include "filesystems/ntfs/CNTFSIndexFolderMatcher.h"

#include "filesystems/ntfs/CNTFSPartitionCandidateMap.h"
#include "filesystems/ntfs/NtfsIndexRecords.h"
#include "platform/Log.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int64_t kRootFolderRecord = 5;
// Index records are 4096 bytes on every volume a format makes; a larger one is read up to this size.
constexpr size_t kMaxIndexRecord = 65536;

} // namespace

void CNTFSIndexFolderMatcher::NoteDropped(const char* what)
{
    if (m_droppedLogged) return;
    m_droppedLogged = true;
    LogError("NTFS scan: %zu %s held, further ones are ignored\n", kMaxEntries, what);
}

void CNTFSIndexFolderMatcher::Match(const IndexRecordInfo& record, const CNTFSFolderCandidate& folder)
{
    const int64_t cluster = folder.VcnToLcn(record.vcn);
    const uint32_t spc = folder.GetSectorsPerCluster();
    if (cluster < 0 || spc == 0 || spc > 128) return;
    auto candidate = m_candidates.BuildFromRecord(record.sector, cluster, uint8_t(spc), kNtfsEvidenceIndexFolders);
    if (!candidate) return;
    const size_t same =
        m_candidates.ForEachSame(CNTFSPartitionCandidateMap::KeyOf(*candidate), [](CSearchedNTFSPartitionInfo& c) {
            c.nFlags |= kNtfsEvidenceIndexFolders;
            ++c.u64FoldersMatch;
        });
    if (same == 0) m_candidates.Insert(std::move(candidate));
}

bool CNTFSIndexFolderMatcher::AnalyzeIndexRecord(uint64_t sector, std::span<const uint8_t> bytes)
{
    if (!NtfsIsIndxMagic(bytes)) return false;
    const std::span<const uint8_t> record = bytes.first(std::min(bytes.size(), kMaxIndexRecord));
    std::vector<uint8_t> copy(record.begin(), record.end());
    if (!NtfsCheckAndFixIndxRecord(copy)) return false;
    const int64_t owner = NtfsIndxGetFirstParentRef(copy);
    if (owner < 0 || owner == kRootFolderRecord) return true;
    const IndexRecordInfo info{sector, NtfsIndxGetVcn(copy), NtfsIndxGetLsn(copy)};
    auto [first, last] = m_folders.equal_range(owner);
    for (auto it = first; it != last; ++it) Match(info, *it->second);
    if (m_indexRecords.size() >= kMaxEntries)
        NoteDropped("index records");
    else
        m_indexRecords.emplace(owner, info);
    return true;
}

bool CNTFSIndexFolderMatcher::AnalyzeFolderRecord(uint64_t sector, std::span<const uint8_t> record)
{
    auto folder = std::make_unique<CNTFSFolderCandidate>();
    if (!folder->Fill(record, sector, int(m_candidates.GetSectorSize()))) return false;
    const int64_t number = folder->GetFolderRecordNumber();
    auto [first, last] = m_indexRecords.equal_range(number);
    for (auto it = first; it != last; ++it) Match(it->second, *folder);
    if (m_folders.size() >= kMaxEntries)
        NoteDropped("folder records");
    else
        m_folders.emplace(number, std::move(folder));
    return true;
}

void CNTFSIndexFolderMatcher::Clear()
{
    m_indexRecords.clear();
    m_folders.clear();
}
