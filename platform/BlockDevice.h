// Read-only access to a disk, partition or image file: positioned reads, geometry, length and the
// READ CAPACITY(10) answer. Errors come back as the Windows numbers callers branch on (21 not ready, 23 data).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace plat {

// Media types, as the geometry query reports them.
enum MediaType : uint32_t {
    kMediaUnknown = 0,
    kMediaF5_1Pt2_512 = 1,
    kMediaF3_1Pt44_512 = 2,
    kMediaF3_2Pt88_512 = 3,
    kMediaF3_720_512 = 5,
    kMediaF5_360_512 = 6,
    kMediaRemovable = 11,
    kMediaFixed = 12,
};

struct DiskGeometry {
    int64_t cylinders = 0;
    uint32_t mediaType = kMediaUnknown;
    uint32_t tracksPerCylinder = 0;
    uint32_t sectorsPerTrack = 0;
    uint32_t bytesPerSector = 0;
};

// An open storage object. Implementations must allow ReadAt from several threads at once.
class IBlockDevice {
public:
    virtual ~IBlockDevice() = default;

    // Reads up to size bytes at offset. *bytesRead receives the bytes read (fewer at the end of the device).
    // False on an I/O error, with *error holding its Windows number; a short read at the end is not an error.
    virtual bool ReadAt(uint64_t offset, void* buffer, size_t size, size_t* bytesRead, uint32_t* error) = 0;
    // The geometry of the device: logical sector size, heads and sectors per track (255 and 63 when the
    // device reports none), cylinders from the size. False when it cannot be had.
    virtual bool GetGeometry(DiskGeometry* geometry) = 0;
    // The exact length in bytes.
    virtual bool GetLength(uint64_t* bytes) = 0;
    // READ CAPACITY(10) sent to the given target: the last logical block address plus 1, or 0 when the
    // device gives no answer. Only target 0 (the device itself) can be asked on this platform.
    virtual uint64_t ReadCapacity10(int target) = 0;
};

// A block device or regular file opened O_RDONLY|O_CLOEXEC; nothing is ever written through it.
class BlockDevice : public IBlockDevice {
public:
    // Null when the path cannot be opened; *error (when given) then holds the Windows number.
    static std::unique_ptr<BlockDevice> Open(const std::string& path, uint32_t* error = nullptr);
    ~BlockDevice() override;

    BlockDevice(const BlockDevice&) = delete;
    BlockDevice& operator=(const BlockDevice&) = delete;

    bool ReadAt(uint64_t offset, void* buffer, size_t size, size_t* bytesRead, uint32_t* error) override;
    bool GetGeometry(DiskGeometry* geometry) override;
    bool GetLength(uint64_t* bytes) override;
    uint64_t ReadCapacity10(int target) override;

    int Fd() const { return m_fd; }
    const std::string& Path() const { return m_path; }
    bool IsBlockDevice() const { return m_isBlock; }

private:
    BlockDevice(int fd, std::string path, bool isBlock);

    int m_fd;
    std::string m_path;
    bool m_isBlock;
};

// The geometry of a device of the given length, sector size and reported heads/sectors (0 = none reported).
DiskGeometry MakeGeometry(uint64_t lengthBytes, uint32_t bytesPerSector, uint32_t heads, uint32_t sectorsPerTrack,
                          uint32_t mediaType);

// The media type of a floppy of the given size, kMediaRemovable when the size is no known floppy format.
uint32_t FloppyMediaType(uint64_t lengthBytes);

} // namespace plat
