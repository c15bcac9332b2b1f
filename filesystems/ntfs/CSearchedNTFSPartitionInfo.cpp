// Stream form of a found NTFS partition.
#include "filesystems/ntfs/CSearchedNTFSPartitionInfo.h"

#include "filesystems/tree/CFileNode.h"

CSearchedNTFSPartitionInfo::CSearchedNTFSPartitionInfo(unsigned sectorSize) : CSearchedPartitionInfo(sectorSize)
{
    nFileSystemKind = kFsKindNtfs;
}

void CSearchedNTFSPartitionInfo::Save(IRSData* stream) const
{
    CSearchedPartitionInfo::Save(stream);
    RSWriteValue<uint64_t>(stream, u64SerialNumber);
    RSWriteValue<uint32_t>(stream, nSectorsPerMftRecord);
    RSWriteValue<uint32_t>(stream, nFlags);
    RSWriteValue<uint32_t>(stream, bUseMft);
    RSWriteValue<uint32_t>(stream, bMftOnly);
    for (uint64_t v : {u64TotalClusters, u64LogFileMatch, u64AttrDefMatch, u64UpcaseMatch, u64MftSector,
                       u64LogFileSector, u64AttrDefSector, u64UpcaseSector, u64SectorsFromSystemFiles})
        RSWriteValue<uint64_t>(stream, v);
}

void CSearchedNTFSPartitionInfo::Load(IRSData* stream)
{
    CSearchedPartitionInfo::Load(stream);
    u64SerialNumber = RSReadValue<uint64_t>(stream);
    nSectorsPerMftRecord = RSReadValue<uint32_t>(stream);
    nFlags = RSReadValue<uint32_t>(stream);
    bUseMft = RSReadValue<uint32_t>(stream);
    bMftOnly = RSReadValue<uint32_t>(stream);
    for (uint64_t* v : {&u64TotalClusters, &u64LogFileMatch, &u64AttrDefMatch, &u64UpcaseMatch, &u64MftSector,
                        &u64LogFileSector, &u64AttrDefSector, &u64UpcaseSector, &u64SectorsFromSystemFiles})
        *v = RSReadValue<uint64_t>(stream);
}
