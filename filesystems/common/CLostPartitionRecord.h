// One partition found by the lost-partition search, copied by value to the dialog that lists it.
#pragma once

#include <cstdint>

class IStorageDevice;

struct CLostPartitionRecord {
    uint64_t u64StartSector = 0;
    uint64_t u64SectorCount = 0;
    int32_t nFileSystemKind = 7; // kFsKind*, 7 none
    char szLabel[100] = {};      // zero-terminated volume label
    // A partition window over the disk; shared by the copies of the record, freed by none of them.
    IStorageDevice* pDevice = nullptr;
};
