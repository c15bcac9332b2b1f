// Cluster-in-use test over a caller's flag vector.
#include "filesystems/tree/CClusterUseBitMap.h"

bool CClusterUseBitMap::IsClusterUsed(DeviceBytePos at) const
{
    if (m_info.sectorsPerCluster == 0 || m_info.sectorSize == 0 || !m_info.bits) return true;
    const uint64_t sector = at.Byte() / m_info.sectorSize;
    if (sector < m_info.firstSectorOfCluster0) return true;
    const uint64_t cluster = (sector - m_info.firstSectorOfCluster0) / m_info.sectorsPerCluster;
    if (cluster >= m_info.clusterCount || cluster >= m_info.bits->size()) return true;
    return (*m_info.bits)[cluster];
}
