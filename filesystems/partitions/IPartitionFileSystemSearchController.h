// One file system's test of a candidate sector of the lost-partition search: does a partition of this file
// system begin here, and if so its kind, size, label and a window device over it.
#pragma once

#include <cstdint>
#include <span>

class IStorageDevice;
struct CLostPartitionRecord;

// Used by one search thread at a time.
class IPartitionFileSystemSearchController {
public:
    virtual ~IPartitionFileSystemSearchController() = default;
    // The disk searched; not owned.
    virtual void SetDevice(IStorageDevice* disk) = 0;
    virtual void Begin() {}
    virtual void End() {}
    // bytes: what was read at the sector, at least one whole sector of the disk (4 KiB when the read allowed).
    // Non-zero when a partition of this file system begins at the sector; the record is then filled, its
    // pDevice a new partition window over the disk that the record's final holder deletes.
    virtual int CheckSector(std::span<const uint8_t> bytes, uint64_t sector, CLostPartitionRecord& record) = 0;
};

// The size a found partition is given: what its file system states, but never past the disk's end (a size
// of 0 takes the rest of the disk).
inline uint64_t ClampPartitionSize(uint64_t stated, uint64_t start, uint64_t diskSectors)
{
    if (start >= diskSectors) return 0;
    const uint64_t room = diskSectors - start;
    return stated == 0 || stated > room ? room : stated;
}
