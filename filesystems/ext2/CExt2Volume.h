// The volume analyser for ext2 and ext3: file-system kind, size and label of the file system that starts at
// a sector of a device. Everything happens in the constructor; the device is not kept.
#pragma once

#include <cstddef>
#include <cstdint>

class IStorageDevice;

class CExt2Volume {
public:
    // startSector counts sectors of the device itself (not of its 512-byte view).
    CExt2Volume(IStorageDevice* device, uint64_t startSector);
    virtual ~CExt2Volume() = default;

    // 4 (EXT2), 5 (EXT3), or 7 when no ext2 file system opens there.
    virtual int32_t GetFileSystemKind() { return m_fileSystemKind; }
    // Blocks count x block size in the device's sectors; 0 when not ext2.
    virtual uint64_t GetTotalSectors() { return m_totalSectors; }
    // Copies the label with its terminating zero, at most size bytes, the last of them always zero. Nothing
    // for a size below 1.
    virtual void GetLabel(char* buffer, int size);

private:
    int32_t m_fileSystemKind = 7;
    char m_label[100] = {};
    uint64_t m_totalSectors = 0;
};
