// A volume of dynamic disks read as one sector device: the member extents it maps onto the disks, the volume
// info every layout carries, and the questions the collectors ask of a dynamic volume.
#pragma once

#include "core/devices/IStorageDevice.h"

#include <cstdint>
#include <string>
#include <vector>

// One member of a volume: a run of sectors on a disk, placed at an offset of the volume (or of its column).
struct LdmExtent {
    int32_t index = 0;              // the column index (low half of the partition's index)
    std::string diskId;             // the GUID text of the member's disk
    uint64_t firstSector = 0;       // on the disk
    uint64_t offset = 0;            // in the volume or column, device sectors
    uint64_t length = 0;            // device sectors
    IStorageDevice* disk = nullptr; // null when the disk was not found; never owned
};

bool ExtentsEqual(const LdmExtent& a, const LdmExtent& b);
// Every extent of a has an equal extent in b (b may hold more).
bool MemberListsMatch(const std::vector<const LdmExtent*>& a, const std::vector<const LdmExtent*>& b);

struct LdmVolumeInfo {
    std::string diskGroupName; // at most 32 characters
    std::string volumeName;    // at most 128 characters
    int32_t fileSystemKind = 7;
    uint64_t sectorCount = 0; // device sectors
};

// Volume types as GetDynamicVolumeTypeName names them.
constexpr int32_t kDynamicSimple = 2;
constexpr int32_t kDynamicMirror = 3;
constexpr int32_t kDynamicSpanned = 4;
constexpr int32_t kDynamicStriped = 5;
constexpr int32_t kDynamicRaid5 = 6;

// The member disks are collected disk devices that the volume does not own and must not outlive.
class IDynamicDevice : public IStorageDevice {
public:
    virtual bool IsSameVolume(IDynamicDevice* other) = 0;
    virtual int32_t GetVolumeType() = 0;
    virtual int32_t GetFileSystemKind() = 0;
    // Appends the member extents (owned by the device), in member order; a mirror gives plex 1's, then plex 2's.
    virtual void GetMembers(std::vector<const LdmExtent*>& members) = 0;
    // 'A'..'Z' or 0.
    virtual char GetDriveLetter() = 0;
};
