// $MFT evidence of the NTFS scan.
#include "filesystems/ntfs/CNTFSMftAnalyser.h"

#include "filesystems/ntfs/CNTFSFileRecord.h"
#include "filesystems/ntfs/CNTFSPartitionCandidateMap.h"
#include "filesystems/ntfs/NtfsMappingPairs.h"
#include "filesystems/ntfs/NtfsMetafiles.h"

#include <algorithm>

namespace {

constexpr uint8_t kAllClusterSizes[] = {1, 2, 4, 8, 16, 32, 64, 128};

} // namespace

CNTFSMftAnalyser::CNTFSMftAnalyser(CNTFSPartitionCandidateMap& candidates,
                                   std::vector<std::unique_ptr<CNTFSMftCandidate>>& mftCandidates, uint32_t sectorSize,
                                   bool useFilesForVolumeSize)
    : m_candidates(candidates),
      m_mftCandidates(mftCandidates),
      m_sectorSize(sectorSize == 0 ? 512 : sectorSize),
      m_useFilesForVolumeSize(useFilesForVolumeSize)
{
}

void CNTFSMftAnalyser::AnalyzeRecord(uint64_t x, const CNTFSFileRecord* view)
{
    const bool valid = view && view->IsValid();
    if (!valid && m_groupSector < 0) return;
    const bool open = m_groupSector >= 0;
    const uint64_t distance = open && x >= uint64_t(m_groupSector) ? x - uint64_t(m_groupSector) : UINT64_MAX;
    const uint64_t step = m_groupRecordSectors == 0 ? 1 : m_groupRecordSectors;
    const bool inGroup = open && distance <= kGroupRecords * step;
    // The later sectors of a record inside the group.
    if (!valid && inGroup && distance % step != 0) return;

    const int number = valid ? GetSystemFileNumber(*view) : -1;
    if (!valid || number < 0 || !inGroup || distance % step != 0 || uint64_t(number) != distance / step) CloseGroup();
    if (!valid) return;
    const CNTFSFileRecord& record = *view;

    if (IsMftRecord(record)) {
        m_groupSector = int64_t(x);
        const uint64_t bytes = std::max<uint64_t>(record.GetAllocatedSize(), 1024);
        m_groupRecordSectors = std::max<uint64_t>(1, bytes / m_sectorSize);
        if (IsMftListFull()) return;
        auto m = NewMftCandidate(record, x, int(m_sectorSize));
        if (!m) {
            CloseGroup();
            return;
        }
        m->SetSectorsPerRecord(uint8_t(std::min<uint64_t>(m_groupRecordSectors, 255)));
        m_groupMft = m.get();
        m_mftCandidates.push_back(std::move(m));
        return;
    }
    if (!IsMftMirrRecord(record)) {
        if (m_useFilesForVolumeSize && IsBitmapRecord(record)) {
            CNTFSBitmapCandidate bitmap;
            if (bitmap.Fill(record, x) && bitmap.GetDataSize() <= uint64_t(INT64_MAX) / 8)
                m_bitmapClusters = int64_t(bitmap.GetDataSize() * 8);
        }
        return;
    }
    if (IsMirrListFull()) return;
    auto r = NewMftMirrCandidate(record, x, int(m_sectorSize));
    if (!r) {
        CloseGroup();
        return;
    }
    m_groupMirr = r.get();
    m_mirrCandidates.push_back(std::move(r));
}

void CNTFSMftAnalyser::CloseGroup()
{
    if (m_groupMft) {
        if (!m_groupMirr) {
            SingleMftReading(*m_groupMft);
        } else {
            m_pairs.emplace_back(m_groupMft, m_groupMirr);
            PairReading(*m_groupMft, *m_groupMirr);
            m_pairMftSectors.insert(uint64_t(m_groupMft->GetRecordSector()));
        }
    }
    m_groupMft = nullptr;
    m_groupMirr = nullptr;
    m_groupSector = -1;
    m_groupRecordSectors = 0;
    m_bitmapClusters = -1;
}

void CNTFSMftAnalyser::Flush()
{
    CloseGroup();
}

void CNTFSMftAnalyser::ApplySizeRule(CSearchedNTFSPartitionInfo& c) const
{
    if (c.u64MftSector == CSearchedNTFSPartitionInfo::kUnknown && m_groupSector >= 0)
        c.u64MftSector = uint64_t(m_groupSector);
    const uint64_t spc = c.bySectorsPerCluster;
    if (!(c.nFlags & kNtfsEvidenceFirstBootRecord) && m_bitmapClusters > 0) {
        c.u64TotalClusters = std::min(c.u64TotalClusters, uint64_t(m_bitmapClusters));
        c.u64SectorsCount = c.u64TotalClusters * spc;
    }
    if (m_bitmapClusters != -1) c.u64SectorsFromSystemFiles = uint64_t(m_bitmapClusters) * spc;
}

void CNTFSMftAnalyser::SingleMftReading(const CNTFSMftCandidate& m)
{
    const uint64_t x = uint64_t(m.GetRecordSector());
    const int64_t l = m.GetFirstCluster();
    std::vector<uint8_t> sizes;
    if (m.GetSectorsPerCluster() != 0)
        sizes.push_back(m.GetSectorsPerCluster());
    else
        sizes.assign(std::begin(kAllClusterSizes), std::end(kAllClusterSizes));
    for (uint8_t k : sizes) {
        auto c = m_candidates.BuildFromRecord(x, l, k, kNtfsEvidenceSingleMft);
        if (!c) continue;
        ApplySizeRule(*c);
        if (m_candidates.Merge(*c, kNtfsEvidenceSingleMft, 0)) {
            m_candidates.ForEachSame(CNTFSPartitionCandidateMap::KeyOf(*c),
                                     [this](CSearchedNTFSPartitionInfo& same) { ApplySizeRule(same); });
            return;
        }
        m_candidates.Insert(std::move(c));
    }
}

void CNTFSMftAnalyser::PairReading(const CNTFSMftCandidate& m, const CNTFSMftMirrCandidate& r)
{
    const uint64_t x = uint64_t(m.GetRecordSector());
    auto c = m_candidates.BuildFromRecord(x, r.GetFirstCluster(), m.GetSectorsPerCluster(), kNtfsEvidenceMftMirr);
    if (!c) {
        SingleMftReading(m);
        return;
    }
    ApplySizeRule(*c);
    const auto key = CNTFSPartitionCandidateMap::KeyOf(*c);
    // This group is the mirror copy when the real table was already seen where this geometry puts it.
    const int64_t lm = m.GetFirstCluster();
    const uint64_t spc = c->bySectorsPerCluster;
    if (lm >= 0 && uint64_t(lm) <= (UINT64_MAX - c->u64DataAreaStartSector) / spc &&
        m_pairMftSectors.count(c->u64DataAreaStartSector + uint64_t(lm) * spc) != 0) {
        m_candidates.ForEachSame(key, [](CSearchedNTFSPartitionInfo& same) {
            same.nFlags = (same.nFlags & ~kNtfsEvidenceSingleMft) | kNtfsEvidenceMftPair;
        });
        return;
    }
    const bool existed = m_candidates.Merge(*c, kNtfsEvidenceMftMirr, 0);
    m_candidates.ForEachSame(key, [this](CSearchedNTFSPartitionInfo& same) { ApplySizeRule(same); });
    if (!existed) SingleMftReading(m);
}

void CNTFSMftAnalyser::Clear()
{
    CloseGroup();
    m_pairs.clear();
    m_pairMftSectors.clear();
    m_mirrCandidates.clear();
}
