// The records of a dynamic-disk database as decoded from its VBLK blocks: volumes, their components
// (plexes), the partitions (sub-disks) of each component and the disks that hold them, with the links
// between them by position in the lists.
#pragma once

#include "core/devices/DynamicDisk.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// One record's blocks joined: the header of its first block and its data (dataLength bytes or fewer).
struct LdmRawRecord {
    VblkHeader header;
    std::vector<uint8_t> data;
};

struct LdmVolumeRecord {
    uint64_t objectId = 0;
    std::string name;     // at most 127 characters kept
    std::string typeText; // "gen" or "raid5"
    std::string state;    // 14 bytes
    uint8_t typeCode = 0; // 3 gen, 4 RAID-5
    uint8_t number = 0;
    uint8_t volumeFlags = 0;
    uint64_t children = 0; // components
    uint64_t size = 0;     // device sectors
    uint8_t partitionType = 0;
    std::array<uint8_t, 16> guid{};
    std::string driveHint;
    std::vector<size_t> components; // indexes into the component list, the last in database order first
};

struct LdmComponentRecord {
    uint64_t objectId = 0;
    std::string name;
    std::string state;
    uint8_t type = 0;      // 1 striped, 2 concatenated, 3 RAID-5
    uint64_t children = 0; // partitions
    uint64_t parentVolumeId = 0;
    uint64_t stripeSize = 0; // 512-byte units
    uint64_t columns = 0;
    std::vector<size_t> partitions; // indexes into the partition list, the last in database order first
};

struct LdmPartitionRecord {
    uint64_t objectId = 0;
    std::string name;
    uint64_t start = 0;        // device sectors from the disk's logical disk start
    uint64_t volumeOffset = 0; // 512-byte units
    uint64_t size = 0;         // device sectors
    uint64_t parentComponentId = 0;
    uint64_t diskId = 0; // object id of a disk record
    uint64_t index = 0;  // column index
    int64_t disk = -1;   // index into the disk list, -1 when no disk record has the id
};

struct LdmDiskRecord {
    uint64_t objectId = 0;
    std::string name;
    std::string diskId; // the GUID text of the disk's PRIVHEAD (type 0x34 stores it as text, type 0x44 as
                        // 16 bytes, written here as lower-case text)
    std::string alternateName;
};

struct LdmDatabaseRecords {
    std::vector<LdmVolumeRecord> volumes;
    std::vector<LdmComponentRecord> components;
    std::vector<LdmPartitionRecord> partitions;
    std::vector<LdmDiskRecord> disks;
};
