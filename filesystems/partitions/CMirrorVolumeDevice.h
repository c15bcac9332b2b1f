// A mirrored dynamic volume: two plexes holding the same data, read in chunks from whichever plex reads.
#pragma once

#include "filesystems/partitions/IDynamicDevice.h"

#include <memory>

class CMirrorVolumeDevice : public IDynamicDevice {
public:
    static constexpr uint64_t kChunkSectors = 63;

    // Takes the given plexes (null ones are left out) in this order.
    CMirrorVolumeDevice(int32_t type, const LdmVolumeInfo& info, std::unique_ptr<IDynamicDevice> plex1,
                        std::unique_ptr<IDynamicDevice> plex2);

    // A chunk comes from the first plex that reads it whole, else sector by sector from the first plex that
    // reads each; a sector no plex reads stays zero and the read answers false.
    bool ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount) override;
    uint64_t GetSectorCount() override { return m_info.sectorCount; }
    int32_t GetSectorSize() override;
    bool Open() override { return true; }
    bool Close() override { return true; }

    bool IsSameVolume(IDynamicDevice* other) override;
    int32_t GetVolumeType() override { return m_type; }
    int32_t GetFileSystemKind() override { return m_info.fileSystemKind; }
    void GetMembers(std::vector<const LdmExtent*>& members) override;
    char GetDriveLetter() override;

private:
    std::vector<std::unique_ptr<IDynamicDevice>> m_plexes;
    LdmVolumeInfo m_info;
    int32_t m_type;
};
