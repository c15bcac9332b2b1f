// The part the simple, spanned, striped and RAID-5 volumes share: their member extents (sorted by volume
// offset, then index), the volume info and type, and the bounds every read goes through first.
#pragma once

#include "filesystems/partitions/IDynamicDevice.h"

class CDynamicVolumeDevice : public IDynamicDevice {
public:
    CDynamicVolumeDevice(int32_t type, const LdmVolumeInfo& info, std::vector<LdmExtent> members);

    bool ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount) override;
    uint64_t GetSectorCount() override { return m_info.sectorCount; }
    // The first member's disk's; 512 without one.
    int32_t GetSectorSize() override;
    bool Open() override { return true; }
    bool Close() override { return true; }

    bool IsSameVolume(IDynamicDevice* other) override;
    int32_t GetVolumeType() override { return m_type; }
    int32_t GetFileSystemKind() override { return m_info.fileSystemKind; }
    void GetMembers(std::vector<const LdmExtent*>& members) override;
    char GetDriveLetter() override;

    const LdmVolumeInfo& Info() const { return m_info; }

protected:
    // Reads count sectors (already inside the volume) at first into buffer, which the caller has zeroed.
    virtual bool ReadMapped(uint8_t* buffer, uint64_t first, uint64_t count) = 0;
    // Reads count sectors of a member at a sector of its run; false without a disk, a failed read, or a
    // position before the member's start.
    bool ReadMember(const LdmExtent& member, uint64_t positionInColumn, uint8_t* buffer, uint64_t count);
    // Logs the member whose sectors could not be read (once per member, so a scan does not flood the log).
    void LogMemberFailure(const char* layout, size_t member, uint64_t volumeSector);

    std::vector<LdmExtent> m_members;
    LdmVolumeInfo m_info;
    int32_t m_type;
    std::vector<bool> m_failureLogged;
};
