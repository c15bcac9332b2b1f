// Reading a found file through its runs, cluster by cluster, or its resident data from the FILE record.
#include "filesystems/tree/CFoundFileReader.h"

#include "core/bytes/ByteReader.h"
#include "core/devices/IStorageDevice.h"
#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/IDataRunList.h"
#include "filesystems/tree/IFileProperties.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// FILE record header fields used here (little-endian): 0 "FILE", 4 update-sequence offset (2),
// 6 update-sequence count (2), 0x1C bytes allocated for the record (4). The last two bytes of every
// 512-byte stride hold the sequence number and are restored from the update-sequence array.
constexpr size_t kFixupStride = 512;

bool ReadRecordSectors(IStorageDevice* device, uint64_t sector, size_t bytes, std::vector<uint8_t>& out)
{
    const size_t sectorSize = size_t(device->GetSectorSize());
    const size_t sectors = (bytes + sectorSize - 1) / sectorSize;
    out.assign(sectors * sectorSize, 0);
    return device->ReadSectors(out.data(), sector, sectors);
}

// The FILE record at sector with its fix-ups applied; empty when it is not a sound record.
std::vector<uint8_t> ReadFileRecord(IStorageDevice* device, uint64_t sector)
{
    std::vector<uint8_t> record;
    const int32_t sectorSize = device->GetSectorSize();
    if (sectorSize <= 0 || sectorSize > 65536) return {};
    if (!ReadRecordSectors(device, sector, 1024, record)) return {};
    if (std::memcmp(record.data(), "FILE", 4) != 0) return {};
    const size_t recordSize = bytes::ByteReader(record).u32le(0x1C);
    const size_t largest = std::max<size_t>(4096, size_t(sectorSize));
    if (recordSize < 1024 || recordSize > largest || (recordSize & (recordSize - 1))) return {};
    if (record.size() < recordSize && !ReadRecordSectors(device, sector, recordSize, record)) return {};
    record.resize(recordSize);

    bytes::ByteReader r(record);
    const size_t usaOffset = r.u16le(4);
    const size_t usaCount = r.u16le(6);
    if (usaCount != recordSize / kFixupStride + 1 || usaOffset + 2 * usaCount > recordSize) return {};
    const uint16_t sequence = r.u16le(usaOffset);
    for (size_t i = 1; i < usaCount; ++i) {
        const size_t at = i * kFixupStride - 2;
        if (r.u16le(at) != sequence) return {}; // torn write: the record is not whole
        record[at] = record[usaOffset + 2 * i];
        record[at + 1] = record[usaOffset + 2 * i + 1];
    }
    return record;
}

} // namespace

bool CFoundFileReader::Open(IStorageDevice* device, CFileNode* node)
{
    Close();
    if (!device || !node) return false;
    uint64_t firstSector = 0;
    int32_t sectorsPerCluster = 0;
    if (!node->GetClusterGeometry(firstSector, sectorsPerCluster)) return false;
    const int32_t sectorSize = device->GetSectorSize();
    if (sectorSize <= 0 || sectorsPerCluster <= 0) return false;
    const uint64_t clusterSize = uint64_t(sectorSize) * uint64_t(sectorsPerCluster);
    if (clusterSize > kMaxClusterBytes) return false;
    IFileProperties* properties = node->GetProperties();
    if (!properties || properties->GetSize() == 0) return false;
    std::unique_ptr<IDataRunList> runs(properties->GetDataRunList());
    if (!runs) return false;

    m_device = device;
    m_node = node;
    m_clusterSize = clusterSize;
    m_sectorsPerCluster = sectorsPerCluster;
    m_fileSize = properties->GetSize();
    m_firstSectorOfCluster0 = firstSector;
    m_buffer.assign(clusterSize, 0);
    return true;
}

void CFoundFileReader::Close()
{
    m_device = nullptr;
    m_node = nullptr;
    m_clusterSize = 0;
    m_sectorsPerCluster = 0;
    m_fileSize = 0;
    m_firstSectorOfCluster0 = 0;
    m_buffer.clear();
    m_buffer.shrink_to_fit();
}

bool CFoundFileReader::ReadCluster(int64_t volumeCluster)
{
    // Holes, and clusters that a damaged run puts before the volume, read as zeros.
    if (volumeCluster < 0) {
        std::fill(m_buffer.begin(), m_buffer.end(), 0);
        return true;
    }
    const uint64_t spc = uint64_t(m_sectorsPerCluster);
    const uint64_t cluster = uint64_t(volumeCluster);
    if (cluster > (UINT64_MAX - m_firstSectorOfCluster0) / spc) return false;
    return m_device->ReadSectors(m_buffer.data(), cluster * spc + m_firstSectorOfCluster0, spc);
}

bool CFoundFileReader::ReadAt(uint64_t offset, void* buffer, uint32_t count, uint32_t& bytesRead)
{
    bytesRead = 0;
    if (!m_device || !m_node || offset >= m_fileSize) return false;
    if (count > m_fileSize - offset) count = uint32_t(m_fileSize - offset);
    IFileProperties* properties = m_node->GetProperties();
    std::unique_ptr<IDataRunList> runs(properties ? properties->GetDataRunList() : nullptr);
    if (!runs) return false;
    if (runs->IsResident()) return ReadResident(offset, buffer, count, bytesRead);

    uint8_t* out = static_cast<uint8_t*>(buffer);
    uint64_t cluster = offset / m_clusterSize;
    uint64_t runStart = 0;
    for (const DataRun* run = runs->First(); run && count > 0; run = runs->Next()) {
        const uint64_t runEnd = runStart + run->length < runStart ? UINT64_MAX : runStart + run->length;
        while (count > 0 && cluster < runEnd) {
            const int64_t volumeCluster = run->IsSparse() || run->firstCluster < 0
                                              ? -1
                                              : int64_t(uint64_t(run->firstCluster) + (cluster - runStart));
            if (volumeCluster < -1 || !ReadCluster(volumeCluster)) return false;
            const uint64_t inCluster = offset % m_clusterSize;
            const uint32_t n = uint32_t(std::min<uint64_t>(m_clusterSize - inCluster, count));
            std::memcpy(out, m_buffer.data() + inCluster, n);
            out += n;
            bytesRead += n;
            offset += n;
            count -= n;
            ++cluster;
        }
        runStart = runEnd;
    }
    return true;
}

bool CFoundFileReader::ReadResident(uint64_t offset, void* buffer, uint32_t count, uint32_t& bytesRead)
{
    bytesRead = 0;
    if (!m_device || !m_node) return false;
    IFileProperties* properties = m_node->GetProperties();
    std::unique_ptr<IDataRunList> runs(properties ? properties->GetDataRunList() : nullptr);
    if (!runs || !runs->IsResident() || runs->GetRunCount() == 0) return false;
    const int64_t recordSector = runs->GetRuns().front().firstCluster;
    if (recordSector < 0) return false;
    const std::vector<uint8_t> record = ReadFileRecord(m_device, uint64_t(recordSector));
    const size_t valueOffset = size_t(runs->GetResidentOffset());
    if (record.empty() || valueOffset >= record.size()) return false;
    const uint64_t length = std::min<uint64_t>(m_fileSize, record.size() - valueOffset);
    if (offset >= length) return false;
    const uint32_t n = uint32_t(std::min<uint64_t>(count, length - offset));
    std::memcpy(buffer, record.data() + valueOffset + offset, n);
    bytesRead = n;
    return true;
}
