// A raw sector image file of 512-byte sectors (a partial last sector is not counted).
#pragma once

#include "core/devices/CBadSectorMap.h"
#include "core/devices/IStorageDevice.h"
#include "platform/BlockDevice.h"

#include <climits>
#include <functional>
#include <memory>
#include <string>

// Reads are safe from several threads (positioned reads); Open and Close are not.
class CImageFileDevice : public IStorageDevice {
public:
    // Paths of 1 to kMaxPath bytes are kept; a longer one is dropped and Open then fails. A null path neither
    // keeps nor opens anything. Only a regular file or a block device is opened: a FIFO, socket, character
    // device or folder is refused at once, without blocking.
    explicit CImageFileDevice(const char* path);
    explicit CImageFileDevice(const std::string& path) : CImageFileDevice(path.c_str()) {}
    // Reads the opened file through what filter makes of it (a test stand-in that fails chosen sectors).
    using BlockFilter = std::function<std::unique_ptr<plat::IBlockDevice>(std::unique_ptr<plat::IBlockDevice>)>;
    CImageFileDevice(const std::string& path, BlockFilter filter);
    ~CImageFileDevice() override;

    static constexpr size_t kMaxPath = PATH_MAX - 1; // the terminating zero takes the last byte

    // True only when every requested sector was read whole, or when the only sectors missing are unreadable ones
    // that "Ignore bad sectors" hands out as zeros (reported to the thread's CReadLossScope, as for a disk);
    // the bytes not read are zero. A request past the end of the file fails.
    bool ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount) override;
    uint64_t GetSectorCount() override;
    int32_t GetSectorSize() override { return 512; }
    bool Open() override;
    bool Close() override;

    bool IsOpen() const { return m_handle != nullptr; }
    const std::string& GetPath() const { return m_path; }
    // Why the last Open failed, in the system's words ("No such file or directory", "Is a directory",
    // "a FIFO, not a disk image"); empty while the image is open.
    const std::string& GetOpenError() const { return m_openError; }

    CBadSectorMap& GetBadSectorMap() { return m_badSectors; }

private:
    BlockFilter m_filter;
    std::unique_ptr<plat::IBlockDevice> m_handle;
    CBadSectorMap m_badSectors;
    std::string m_path;
    std::string m_openError;
};
