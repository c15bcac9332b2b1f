// A lettered volume (the platform's drive letters), read through its bad-sector map.
#pragma once

#include "core/devices/CBadSectorMap.h"
#include "core/devices/IStorageDevice.h"
#include "platform/BlockDevice.h"

#include <functional>
#include <memory>
#include <string>

// Reads are safe from several threads (positioned reads, the map has its own lock); Open and Close are not.
class CVolumeDevice : public IStorageDevice {
public:
    // Opens the storage of an upper-case drive letter; receives its mount point (empty when not mounted).
    using Opener =
        std::function<std::unique_ptr<plat::IBlockDevice>(char letter, std::string* mountPoint, uint32_t* error)>;

    explicit CVolumeDevice(char letter);
    CVolumeDevice(char letter, Opener opener);
    ~CVolumeDevice() override;

    bool ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount) override;
    // The exact length in whole sectors; 0 when not open.
    uint64_t GetSectorCount() override;
    int32_t GetSectorSize() override;
    bool Open() override;
    bool Close() override;

    bool IsOpen() const { return m_handle != nullptr; }
    // The media type of the geometry (floppy formats, 11 removable, 12 fixed); 0 when not open.
    uint32_t GetMediaType();
    // A mounted volume whose file system answers a free-space query, or an unmounted one whose first sector
    // reads.
    bool IsReadable();
    char GetDriveLetter() const { return m_letter; }
    CBadSectorMap& GetBadSectorMap() { return m_badSectors; }

private:
    Opener m_opener;
    std::unique_ptr<plat::IBlockDevice> m_handle;
    std::string m_mountPoint;
    char m_letter;
    CBadSectorMap m_badSectors;
};
