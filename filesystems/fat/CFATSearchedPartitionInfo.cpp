// Stream form of a found FAT partition.
#include "filesystems/fat/CFATSearchedPartitionInfo.h"

void CFATSearchedPartitionInfo::Save(IRSData* stream) const
{
    CSearchedPartitionInfo::Save(stream);
    RSWriteValue<uint16_t>(stream, m_reservedSectors);
    RSWriteValue<uint32_t>(stream, m_sectorsPerFAT);
    RSWriteValue<uint32_t>(stream, m_clusterCount);
    RSWriteValue<uint32_t>(stream, m_root);
    RSWriteValue<uint32_t>(stream, m_flags);
}

void CFATSearchedPartitionInfo::Load(IRSData* stream)
{
    CSearchedPartitionInfo::Load(stream);
    m_reservedSectors = RSReadValue<uint16_t>(stream);
    m_sectorsPerFAT = RSReadValue<uint32_t>(stream);
    m_clusterCount = RSReadValue<uint32_t>(stream);
    m_root = RSReadValue<uint32_t>(stream);
    m_flags = RSReadValue<uint32_t>(stream);
}

CFATSearchedPartitionInfo* NewFATSearchedPartitionInfo(unsigned sectorSize)
{
    return new CFATSearchedPartitionInfo(sectorSize);
}
