// A raw sector image file of 512-byte sectors (a partial last sector is not counted).
#pragma once

#include "core/devices/IStorageDevice.h"
#include "platform/BlockDevice.h"

#include <memory>
#include <string>

// Reads are safe from several threads (positioned reads); Open and Close are not.
class CImageFileDevice : public IStorageDevice {
public:
    // Paths of 1 to 259 bytes are kept; a longer one is dropped and Open then fails. A null path neither
    // keeps nor opens anything.
    explicit CImageFileDevice(const char* path);
    explicit CImageFileDevice(const std::string& path) : CImageFileDevice(path.c_str()) {}
    ~CImageFileDevice() override;

    static constexpr size_t kMaxPath = 259;

    // True only when every requested sector was read whole; the bytes not read are zero.
    bool ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount) override;
    uint64_t GetSectorCount() override;
    int32_t GetSectorSize() override { return 512; }
    bool Open() override;
    bool Close() override;

    bool IsOpen() const { return m_handle != nullptr; }
    const std::string& GetPath() const { return m_path; }

private:
    std::unique_ptr<plat::BlockDevice> m_handle;
    std::string m_path;
};
