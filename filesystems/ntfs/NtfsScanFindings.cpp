// Filling the scan findings from FILE records.
#include "filesystems/ntfs/NtfsScanFindings.h"

#include "filesystems/ntfs/NtfsFileRecord.h"
#include "filesystems/ntfs/NtfsIndexRecords.h"
#include "filesystems/ntfs/NtfsMappingPairs.h"
#include "filesystems/ntfs/NtfsStructures.h"
#include "core/rsdata/IRSData.h"

bool CNTFSMftCandidate::Fill(const CNTFSFileRecord& record, uint64_t recordSector, int sectorSize)
{
    if (!record.IsValid()) return false;
    uint8_t spc = 0;
    if (!DeriveSectorsPerCluster(record.Record(), sectorSize, spc) || spc == 0) return false;
    m_sectorsPerCluster = spc;
    CollectDataRuns(record.Record(), m_runs, false, nullptr);
    m_recordSector = static_cast<int64_t>(recordSector);
    return !m_runs.empty();
}

bool CNTFSMftCandidate::Fill(std::span<const uint8_t> record, uint64_t recordSector, int sectorSize)
{
    const CNTFSFileRecord view(record);
    return Fill(view, recordSector, sectorSize);
}

void CNTFSMftCandidate::Save(IRSData* stream) const
{
    RSWriteValue<int64_t>(stream, m_recordSector);
    RSWriteValue<uint8_t>(stream, m_sectorsPerRecord);
    RSWriteValue<uint8_t>(stream, m_sectorsPerCluster);
    m_runs.SaveRunList(stream);
}

void CNTFSMftCandidate::Load(IRSData* stream)
{
    m_recordSector = RSReadValue<int64_t>(stream);
    m_sectorsPerRecord = RSReadValue<uint8_t>(stream);
    m_sectorsPerCluster = RSReadValue<uint8_t>(stream);
    m_runs.LoadRunList(stream);
}

std::unique_ptr<CNTFSMftCandidate> NewMftCandidate(const CNTFSFileRecord& record, uint64_t recordSector, int sectorSize)
{
    auto c = std::make_unique<CNTFSMftCandidate>();
    if (!c->Fill(record, recordSector, sectorSize) || c->GetFirstCluster() < 0) return nullptr;
    return c;
}

bool CNTFSMftMirrCandidate::Fill(const CNTFSFileRecord& record, uint64_t recordSector, int sectorSize)
{
    if (!record.IsValid()) return false;
    uint8_t spc = 0;
    if (!DeriveSectorsPerCluster(record.Record(), sectorSize, spc)) return false;
    m_sectorsPerCluster = spc;
    CollectDataRuns(record.Record(), m_runs, false, nullptr);
    if (m_runs.empty()) return false;
    m_recordSector = static_cast<int64_t>(recordSector);
    m_lsn = record.GetLogSequenceNumber();
    return true;
}

bool CNTFSMftMirrCandidate::Fill(std::span<const uint8_t> record, uint64_t recordSector, int sectorSize)
{
    const CNTFSFileRecord view(record);
    return Fill(view, recordSector, sectorSize);
}

std::unique_ptr<CNTFSMftMirrCandidate> NewMftMirrCandidate(const CNTFSFileRecord& record, uint64_t recordSector,
                                                           int sectorSize)
{
    auto c = std::make_unique<CNTFSMftMirrCandidate>();
    if (!c->Fill(record, recordSector, sectorSize)) return nullptr;
    return c;
}

bool CNTFSBitmapCandidate::Fill(const CNTFSFileRecord& record, uint64_t recordSector)
{
    if (!record.IsValid()) return false;
    CNTFSRunList runs;
    uint64_t size = 0;
    if (!CollectDataRuns(record.Record(), runs, true, &size) || size == 0) return false;
    if (runs.GetRunListLength() == 0) return false;
    m_dataSize = size;
    m_recordSector = static_cast<int64_t>(recordSector);
    return true;
}

bool CNTFSFolderCandidate::Fill(std::span<const uint8_t> record, uint64_t recordSector, int sectorSize)
{
    const CNTFSFileRecord view(record);
    if (!view.IsValid() || view.IsExtension()) return false;
    m_folderRecordNumber = NtfsIndexRootCommonParentRef(view.FindAttribute(ntfs::kAttrIndexRoot));

    const CNTFSAttributeHeader ia = view.FindAttribute(ntfs::kAttrIndexAllocation);
    if (!ia || ia.GetLength() == 0 || !ia.IsNonResident()) return false;
    const auto pairs = ia.GetMappingPairs();
    if (!IsValidRunList(pairs)) return false;
    m_runs.Clear();
    DecodeRunList(pairs, m_runs);
    m_sectorsPerCluster = SectorsPerClusterFromSize(ia.GetInitializedSize(), m_runs.GetRunListLength(), sectorSize);
    if (m_sectorsPerCluster == 0) return false;

    m_recordSector = static_cast<int64_t>(recordSector);
    m_lsn = view.GetLogSequenceNumber();
    if (view.HasRecordNumber()) {
        m_hasRecordNumber = 1;
        m_headerRecordNumber = view.GetRecordNumber();
        if (m_folderRecordNumber == -1) m_folderRecordNumber = m_headerRecordNumber;
    }
    return m_folderRecordNumber != int64_t(ntfs::kRootFolderRecord) && m_folderRecordNumber != -1;
}

bool CNTFSRecordRun::Extend(uint64_t sector)
{
    if (sector < m_firstSector) return false;
    // Compared as a distance, so that a huge count cannot wrap the expected position.
    if ((sector - m_firstSector) / m_sectorsPerRecord != m_count || (sector - m_firstSector) % m_sectorsPerRecord != 0)
        return false;
    ++m_count;
    return true;
}
